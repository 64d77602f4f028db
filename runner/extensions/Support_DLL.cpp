// External functions: binding native symbols with dlopen/dlsym and calling them through libffi,
// after checking that the file the game names is a shared object this runner can load at all.
#include "runner/extensions/Support_DLL.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "runner/base/Runner_Process.h"
#include "runner/functions/Support_File.h"

namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

#if defined(__x86_64__)
constexpr uint16_t kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr uint16_t kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr uint16_t kMachine = EM_386;
#else
#error "the machine of this build is not known to the library check"
#endif
constexpr unsigned char kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;

bool ReadAt(int fd, off_t offset, void* buf, size_t n) {
  return pread(fd, buf, n, offset) == static_cast<ssize_t>(n);
}

ffi_abi AbiOf(int32_t calltype) {
#if defined(__i386__)
  return calltype == kExternalStdcall ? FFI_STDCALL : FFI_SYSV;
#else
  // One C calling convention on this machine: the game's choice has nothing to select.
  (void)calltype;
  return FFI_DEFAULT_ABI;
#endif
}

}  // namespace

std::string LibraryFileProblem(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return "cannot be opened";
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return "is not a regular file";
  const auto size = static_cast<uint64_t>(st.st_size);
  unsigned char ident[EI_NIDENT] = {};
  if (size >= 2 && ReadAt(fd, 0, ident, 2) && ident[0] == 'M' && ident[1] == 'Z')
    return "is a Windows library; a Linux shared object (.so) is needed";
  if (size < sizeof(ElfW(Ehdr))) return "is not a shared object";
  ElfW(Ehdr) eh;
  if (!ReadAt(fd, 0, &eh, sizeof eh)) return "cannot be read";
  if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0) return "is not a shared object";
  if (eh.e_ident[EI_CLASS] != kClass) return "is a shared object of another word size";
  const unsigned char data = std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
  if (eh.e_ident[EI_DATA] != data || eh.e_machine != kMachine) return "is a shared object of another machine";
  if (eh.e_type != ET_DYN) return "is not a shared object";
  // Segments that reach past the end of the file would be mapped anyway, and touching them
  // would kill the runner: a truncated object is refused here.
  if (eh.e_phentsize != sizeof(ElfW(Phdr)) || eh.e_phnum == 0) return "is damaged";
  const uint64_t tableEnd = static_cast<uint64_t>(eh.e_phoff) + uint64_t{eh.e_phnum} * sizeof(ElfW(Phdr));
  if (eh.e_phoff < sizeof eh || tableEnd > size) return "is truncated";
  for (uint16_t i = 0; i < eh.e_phnum; ++i) {
    ElfW(Phdr) ph;
    if (!ReadAt(fd, static_cast<off_t>(eh.e_phoff + i * sizeof ph), &ph, sizeof ph)) return "is truncated";
    if (ph.p_type != PT_LOAD && ph.p_type != PT_DYNAMIC) continue;
    if (ph.p_offset > size || ph.p_filesz > size - ph.p_offset) return "is truncated";
  }
  return "";
}

std::optional<std::string> ResolveLibrary(std::string_view name) {
  const std::optional<std::string> mapped = MapFileName(name);
  if (!mapped) return std::nullopt;
  const size_t slash = mapped->rfind('/');
  const std::string base = slash == std::string::npos ? *mapped : mapped->substr(slash + 1);
  std::vector<std::string> candidates;
  if (base.size() > 4 && SameNameIgnoringCase(std::string_view(base).substr(base.size() - 4), ".dll")) {
    const std::string stem = base.substr(0, base.size() - 4);
    // The name as given comes last: a package's library keeps its file name, and a Windows
    // library found under it is then refused with a reason rather than called "missing".
    candidates = {stem + ".so", "lib" + stem + ".so", Lower(stem) + ".so", base};
  } else {
    candidates = {base};
  }
  std::vector<std::string> folders;
  if (slash != std::string::npos) {
    folders.push_back(slash == 0 ? "/" : mapped->substr(0, slash + 1));
  } else {
    if (!GamePath().empty()) {
      const std::string dir = std::filesystem::path(GamePath()).parent_path().string();
      folders.push_back(dir.empty() ? "" : dir + "/");
    }
    folders.push_back("");
  }
  for (const std::string& folder : folders)
    for (const std::string& candidate : candidates) {
      const std::optional<std::string> found = ResolveExisting(folder + candidate);
      if (!found) continue;
      std::error_code ec;
      if (!std::filesystem::is_regular_file(*found, ec)) continue;
      const std::filesystem::path absolute = std::filesystem::absolute(*found, ec);
      if (!ec) return absolute.lexically_normal().string();
    }
  return std::nullopt;
}

int32_t CExternalTable::Define(std::string_view dll, std::string_view file, std::string_view symbol,
                               int32_t calltype, int32_t resulttype, const int32_t* argtypes, int32_t argnumb) {
  if (argnumb < 0 || argnumb > kMaxExternalArgs) return -1;
  if (argnumb > 4)
    for (int32_t i = 0; i < argnumb; ++i)
      if (argtypes[i] == kExternalString) return -1;
  if (symbol.find('\0') != std::string_view::npos) return -1;

  void* handle = nullptr;
  for (const auto& r : records_)
    if (r->dll_handle && SameNameIgnoringCase(r->dll_name, dll)) handle = r->dll_handle;
  const bool loaded_now = handle == nullptr;
  if (loaded_now) {
    const std::optional<std::string> path = ResolveLibrary(file);
    if (!path) {
      WriteTrace("External library not found: " + std::string(dll));
      return -1;
    }
    const std::string problem = LibraryFileProblem(*path);
    if (!problem.empty()) {
      WriteTrace("External library " + std::string(dll) + " " + problem);
      return -1;
    }
    handle = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = dlerror();
      WriteTrace("External library " + std::string(dll) + " cannot be loaded: " + (why ? why : ""));
      return -1;
    }
  }
  auto rec = std::make_unique<RExternalFunction>();
  rec->function_addr = dlsym(handle, std::string(symbol).c_str());
  if (!rec->function_addr) {
    WriteTrace("External library " + std::string(dll) + " has no function " + std::string(symbol));
    if (loaded_now) dlclose(handle);
    return -1;
  }
  rec->dll_name = std::string(dll);
  rec->dll_handle = handle;
  rec->function_name = std::string(symbol);
  rec->calltype = calltype;
  rec->argnumb = argnumb;
  for (int32_t i = 0; i < argnumb; ++i) {
    rec->argtype[i] = argtypes[i] == kExternalString ? kExternalString : 0;
    rec->types[i] = rec->argtype[i] == kExternalString ? &ffi_type_pointer : &ffi_type_double;
  }
  rec->resulttype = resulttype == kExternalString ? kExternalString : 0;
  ffi_type* ret = rec->resulttype == kExternalString ? &ffi_type_pointer : &ffi_type_double;
  if (ffi_prep_cif(&rec->cif, AbiOf(calltype), static_cast<unsigned>(argnumb), ret, rec->types.data()) != FFI_OK) {
    if (loaded_now) dlclose(handle);
    return -1;
  }
  records_.push_back(std::move(rec));
  return Count() - 1;
}

const RExternalFunction* CExternalTable::At(int32_t position) const {
  return position >= 0 && position < Count() ? records_[static_cast<size_t>(position)].get() : nullptr;
}

bool CExternalTable::Call(int32_t position, const RValue* args, int32_t argc, RValue& result, std::string* why_not) {
  result.SetReal(0.0);
  RExternalFunction* rec = position >= 0 && position < Count() ? records_[static_cast<size_t>(position)].get() : nullptr;
  const char* problem = nullptr;
  std::string unknown;
  if (!rec) {
    unknown = "Unable to find DLL function with id=" + std::to_string(position);
  } else if (argc != rec->argnumb) {
    problem = "Calling DLL function with wrong number of arguments.";
  } else if (!rec->dll_handle) {
    problem = "Calling DLL function - unable to load DLL";
  }
  if (!rec || problem) {
    if (why_not) *why_not = problem ? problem : unknown;
    return false;
  }
  // Strings travel as copies of their own, so the library can never write into a shared text.
  std::array<double, kMaxExternalArgs> reals{};
  std::array<std::string, kMaxExternalArgs> texts;
  std::array<const char*, kMaxExternalArgs> pointers{};
  std::array<void*, kMaxExternalArgs> values{};
  for (int32_t i = 0; i < argc; ++i) {
    if (rec->argtype[i] == kExternalString) {
      texts[i] = std::string(args[i].str());
      pointers[i] = texts[i].c_str();
      values[i] = &pointers[i];
    } else {
      reals[i] = args[i].val();
      values[i] = &reals[i];
    }
  }
  if (rec->resulttype == kExternalString) {
    // Large enough for any return register libffi fills.
    union {
      ffi_arg word;
      const char* text;
    } ret{};
    ffi_call(&rec->cif, FFI_FN(rec->function_addr), &ret, values.data());
    // The library keeps what it returns; the runner copies it and frees nothing.
    result.SetString(ret.text ? std::string_view(ret.text) : std::string_view());
  } else {
    double ret = 0.0;
    ffi_call(&rec->cif, FFI_FN(rec->function_addr), &ret, values.data());
    result.SetReal(ret);
  }
  return true;
}

void CExternalTable::Free(std::string_view dll) {
  void* handle = nullptr;
  for (auto& r : records_) {
    if (!SameNameIgnoringCase(r->dll_name, dll)) continue;
    if (r->dll_handle) handle = r->dll_handle;
    r->dll_handle = nullptr;
  }
  if (handle) dlclose(handle);
}

void CExternalTable::FreeAll() {
  // By name, as the game would: each name bound its library once.
  for (auto& r : records_)
    if (r->dll_handle) Free(std::string(r->dll_name));
}
