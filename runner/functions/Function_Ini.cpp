// Built-in INI file functions. The game works on one in-memory copy of an INI file in the
// current folder; a changed copy is written back, whole and atomically, to the file it was read
// from when it is closed, when another is opened and when the game ends, so that changes are
// never lost and a crash never leaves half a file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/files/AtomicFile.h"
#include "runner/base/Option_Main.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/File_State.h"
#include "runner/functions/Function_Families.h"

namespace {
void Error(std::string_view message) { ShowActionError(message, false); }

enum class ReadState { Missing, Read, Unreadable };

// The file's bytes when it is a plain file no larger than an INI copy may be.
ReadState ReadIniFile(const std::string& path, std::string& out) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? ReadState::Missing : ReadState::Unreadable;
  ReadState state = ReadState::Unreadable;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) <= CIniFile::kMaxBytes) {
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
      const ssize_t n = read(fd, out.data() + got, out.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    out.resize(got);
    state = ReadState::Read;
  }
  close(fd);
  return state;
}

// Writes a changed copy back, reporting a failure to the game.
void Release() {
  RFilesState& files = Files();
  if (!files.ini) return;
  const bool ok = SaveIniCopy(*files.ini);
  files.ini.reset();
  if (!ok) Error("Error writing INI file.");
}

CIniFile* Copy(std::string_view messageWithout) {
  if (RIniCopy* copy = Files().ini.get()) return &copy->file;
  Error(messageWithout);
  return nullptr;
}
CIniFile* ForReading() { return Copy("Trying to read from undefined INI file"); }
CIniFile* ForWriting() { return Copy("Trying to write to undefined INI file"); }
CIniFile* ForChanging() { return Copy("Trying to change undefined INI file"); }

std::string AsText(const RValue& v) { return v.IsString() ? std::string(v.str()) : IniRealText(v.val()); }

void ini_open(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  const std::string_view name = argv[0].str();
  if (IsPathName(name)) return Error("INI files must be located in the same directory as the program");
  Release();
  const std::optional<std::string> leaf = ResolveForWrite(name);
  if (!leaf) return;
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::current_path(ec);
  if (ec) return;
  auto copy = std::make_unique<RIniCopy>();
  // The path is fixed now: a later change of folder does not move where the copy goes back.
  copy->path = ReplaceTarget((folder / *leaf).string(), SecureMode());
  std::string text;
  switch (ReadIniFile(copy->path, text)) {
    case ReadState::Missing:
      break;
    case ReadState::Read:
      copy->file.Parse(text);
      break;
    case ReadState::Unreadable:
      // Too large, not a plain file, or not ours to read: the game gets an empty copy, and
      // the file is never overwritten by it.
      copy->path.clear();
      break;
  }
  Files().ini = std::move(copy);
}

void ini_close(CInstance*, CInstance*, int32_t, RValue*, RValue&) { Release(); }

void ini_read_string(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const CIniFile* ini = ForReading();
  if (!ini) return;
  if (const std::optional<std::string> v = ini->Read(argv[0].str(), argv[1].str()))
    result.SetString(*v);
  else
    result = argv[2];
}

void ini_read_real(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const CIniFile* ini = ForReading();
  if (!ini) return;
  const std::optional<std::string> v = ini->Read(argv[0].str(), argv[1].str());
  result.SetReal(IniNumber(v ? *v : AsText(argv[2])));
}

void ini_write_string(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (CIniFile* ini = ForWriting()) ini->Write(argv[0].str(), argv[1].str(), AsText(argv[2]));
}

void ini_write_real(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (CIniFile* ini = ForWriting()) ini->Write(argv[0].str(), argv[1].str(), IniRealText(argv[2].val()));
}

void ini_key_exists(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  if (const CIniFile* ini = ForReading()) result.SetReal(BoolReal(ini->KeyExists(argv[0].str(), argv[1].str())));
}

void ini_section_exists(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  if (const CIniFile* ini = ForReading()) result.SetReal(BoolReal(ini->SectionExists(argv[0].str())));
}

void ini_key_delete(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (CIniFile* ini = ForChanging()) ini->DeleteKey(argv[0].str(), argv[1].str());
}

void ini_section_delete(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  if (CIniFile* ini = ForChanging()) ini->DeleteSection(argv[0].str());
}

constexpr RFunctionDef kIniFunctions[] = {
    {"ini_open", 1, ini_open},
    {"ini_close", 0, ini_close},
    {"ini_read_string", 3, ini_read_string},
    {"ini_read_real", 3, ini_read_real},
    {"ini_write_string", 3, ini_write_string},
    {"ini_write_real", 3, ini_write_real},
    {"ini_key_exists", 2, ini_key_exists},
    {"ini_section_exists", 1, ini_section_exists},
    {"ini_key_delete", 2, ini_key_delete},
    {"ini_section_delete", 1, ini_section_delete},
};
}  // namespace

bool SaveIniCopy(RIniCopy& copy) {
  if (!copy.file.changed()) return true;
  if (copy.path.empty() || !platform::ReplaceFileContents(copy.path, copy.file.Text())) return false;
  copy.file.MarkSaved();
  return true;
}

FunctionFamily IniFunctions() { return kIniFunctions; }
