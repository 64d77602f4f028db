// Reading extension packages from the game data: their records, then their files, deciphered
// and unpacked, written to the temporary folder or kept as game code.
#include "runner/extensions/Extension_Class.h"

#include <filesystem>
#include <string_view>

#include "runner/base/Runner_Process.h"
#include "runner/base/Support_Path.h"
#include "runner/base/Support_Stream.h"

namespace {

std::string Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

int32_t ReadCount(CStream& s) {
  const int32_t n = s.ReadInteger();
  // Every record takes at least four bytes: a count the rest of the data cannot hold is damage.
  if (n < 0 || n > (s.GetSize() - s.GetPosition()) / 4) throw StreamError("count past the end of the data");
  return n;
}

// A record of another version keeps its initial values and reads nothing more.
void LoadFunction(CStream& s, CExtensionFunction& f) {
  if (s.ReadInteger() != kExtensionRecordVersion) return;
  f.s_name = s.ReadString();
  f.s_extname = s.ReadString();
  f.s_kind = s.ReadInteger();
  f.s_id = s.ReadInteger();
  f.s_argcount = s.ReadInteger();
  for (int32_t& t : f.s_argtype) t = s.ReadInteger();
  f.s_returntype = s.ReadInteger() == 1 ? 1 : 2;
}

void LoadFile(CStream& s, CExtensionFile& file) {
  if (s.ReadInteger() != kExtensionRecordVersion) return;
  file.s_filename = s.ReadString();
  file.s_kind = s.ReadInteger();
  file.s_init = s.ReadString();
  file.s_final = s.ReadString();
  file.s_functions.resize(static_cast<size_t>(ReadCount(s)));
  for (CExtensionFunction& f : file.s_functions) LoadFunction(s, f);
  file.s_constants.resize(static_cast<size_t>(ReadCount(s)));
  for (CExtensionConstant& c : file.s_constants) {
    if (s.ReadInteger() != kExtensionRecordVersion) continue;
    c.s_name = s.ReadString();
    c.s_value = s.ReadString();
  }
}

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool WriteFile(const std::string& path, const CStream& data) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  return data.SaveToFile(path);
}

}  // namespace

void AssignGameCodeSections(std::string_view bytes, std::vector<CExtensionFunction>& functions) {
  // Lines end at CR only; line feeds are dropped wherever they are.
  std::vector<std::string> lines(1);
  for (char c : bytes) {
    if (c == '\n') continue;
    if (c == '\r')
      lines.emplace_back();
    else
      lines.back() += c;
  }
  std::string name;
  std::string code;
  bool in_section = false;
  bool first_line = true;
  auto close = [&] {
    if (!in_section) return;
    for (CExtensionFunction& f : functions)
      if (f.s_extname == name) f.s_script = code;
  };
  for (const std::string& line : lines) {
    if (line.rfind("#define", 0) == 0) {
      close();
      name = Trim(Latin1ToUtf8(std::string_view(line).substr(7)));
      code.clear();
      in_section = true;
      first_line = true;
      continue;
    }
    if (!in_section) continue;
    if (!first_line) code += "\r\n";
    code += Latin1ToUtf8(line);
    first_line = false;
  }
  close();
}

bool CExtensionPackage::LoadFromStream(CStream& s, const std::string& temp_dir) {
  if (s.ReadInteger() != kExtensionRecordVersion) return false;
  s_name = s.ReadString();
  s_folder = s.ReadString();
  s_includes.resize(static_cast<size_t>(ReadCount(s)));
  for (CExtensionFile& f : s_includes) LoadFile(s, f);
  for (CExtensionFile& f : s_includes)
    for (CExtensionFunction& fn : f.s_functions) {
      fn.s_name = Trim(fn.s_name);
      fn.s_extname = Trim(fn.s_extname);
      if (fn.s_extname.empty()) fn.s_extname = fn.s_name;
      if (fn.s_argcount > 4) fn.s_argtype.fill(2);
    }

  CStream data = s.ReadStream();
  const int32_t key = data.ReadInteger();
  if (data.GetSize() > 5) data.Decrypt(key, 5, 0);
  data.SetPosition(4);
  for (CExtensionFile& f : s_includes) {
    if (f.s_kind == CExtensionFile::kNoData) continue;
    CStream block = data.ReadStreamC();
    if (f.s_kind == CExtensionFile::kDll || f.s_kind == CExtensionFile::kOther) {
      // Names from the game data stay inside the package's folder of the temporary folder.
      if (!IsConfinedName(s_folder) || !IsConfinedName(f.s_filename)) {
        WriteTrace("Extension package " + s_name + ": the file name " + f.s_filename + " leaves its folder");
        return false;
      }
      const std::string path = temp_dir + "/" + NormaliseGamePath(s_folder) + "/" + NormaliseGamePath(f.s_filename);
      if (!WriteFile(path, block)) WriteTrace("Extension package " + s_name + ": cannot write " + path);
    } else if (f.s_kind == CExtensionFile::kGameCode) {
      const auto* bytes = reinterpret_cast<const char*>(block.Data());
      AssignGameCodeSections(std::string_view(bytes, static_cast<size_t>(block.GetSize())), f.s_functions);
    }
  }
  return true;
}
