// The file-backed registry; see RegistryStore.h.
#include "platform/registry/RegistryStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/files/AtomicFile.h"

namespace platform {
namespace {
constexpr std::string_view kHeader = "Korvex Registry Store 1";
// Far above anything games keep in the registry; a larger file is not read into memory.
constexpr size_t kMaxStoreBytes = 16u << 20;

constexpr std::pair<RegistryHive, std::string_view> kHiveNames[] = {
    {RegistryHive::CurrentUser, "HKEY_CURRENT_USER"},
    {RegistryHive::LocalMachine, "HKEY_LOCAL_MACHINE"},
    {RegistryHive::ClassesRoot, "HKEY_CLASSES_ROOT"},
    {RegistryHive::Users, "HKEY_USERS"},
};

std::string_view HiveName(RegistryHive hive) {
  for (const auto& [h, name] : kHiveNames)
    if (h == hive) return name;
  return kHiveNames[0].second;
}

std::string Folded(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  return out;
}

std::string MapKey(RegistryHive hive, std::string_view path) {
  return std::to_string(static_cast<int>(hive)) + "\\" + Folded(path);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr char kHex[] = "0123456789abcdef";

void AppendHex(std::string& out, unsigned char b) {
  out += kHex[b >> 4];
  out += kHex[b & 15];
}

// Quoted names and strings: backslash escapes for the quote, the backslash and every control byte.
std::string Quoted(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20 || b == 0x7F) {
      out += "\\x";
      AppendHex(out, b);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// Reads a quoted text at the start of s, leaving s after it.
bool ReadQuoted(std::string_view& s, std::string& out) {
  if (s.empty() || s[0] != '"') return false;
  out.clear();
  size_t i = 1;
  while (i < s.size() && s[i] != '"') {
    if (s[i] != '\\') {
      out += s[i++];
      continue;
    }
    if (i + 1 >= s.size()) return false;
    const char e = s[i + 1];
    if (e == '"' || e == '\\') {
      out += e;
      i += 2;
    } else if (e == 'x' && i + 3 < s.size() && HexDigit(s[i + 2]) >= 0 && HexDigit(s[i + 3]) >= 0) {
      out += static_cast<char>(HexDigit(s[i + 2]) * 16 + HexDigit(s[i + 3]));
      i += 4;
    } else {
      return false;
    }
  }
  if (i >= s.size()) return false;
  s.remove_prefix(i + 1);
  return true;
}

// Key paths sit between brackets on their own line: "%" escapes line breaks and itself.
std::string EscapedPath(std::string_view s) {
  std::string out;
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '%' || b < 0x20 || b == 0x7F) {
      out += '%';
      AppendHex(out, b);
    } else {
      out += c;
    }
  }
  return out;
}

bool UnescapePath(std::string_view s, std::string& out) {
  out.clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    if (i + 2 >= s.size() || HexDigit(s[i + 1]) < 0 || HexDigit(s[i + 2]) < 0) return false;
    out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
    i += 2;
  }
  return true;
}

bool ParseValue(std::string_view s, RegistryValue& v) {
  if (!s.empty() && s[0] == '"') {
    v.type = RegistryValue::Type::String;
    return ReadQuoted(s, v.data) && s.empty();
  }
  if (s.substr(0, 6) == "dword:") {
    s.remove_prefix(6);
    if (s.size() != 8) return false;
    v.type = RegistryValue::Type::Dword;
    v.dword = 0;
    for (const char c : s) {
      if (HexDigit(c) < 0) return false;
      v.dword = v.dword * 16 + static_cast<uint32_t>(HexDigit(c));
    }
    return true;
  }
  if (s.substr(0, 4) == "hex:") {
    s.remove_prefix(4);
    v.type = RegistryValue::Type::Binary;
    v.data.clear();
    while (!s.empty()) {
      if (s.size() < 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0) return false;
      v.data += static_cast<char>(HexDigit(s[0]) * 16 + HexDigit(s[1]));
      s.remove_prefix(2);
      if (s.empty()) break;
      if (s[0] != ',' || s.size() == 1) return false;
      s.remove_prefix(1);
    }
    return true;
  }
  return false;
}

std::string ConfigHome() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return std::string(home) + "/.config";
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return std::string(pw->pw_dir) + "/.config";
  return "/tmp";
}

// Creates the folder and its missing parents for the store, private to the user.
bool MakeFolders(const std::string& path) {
  for (size_t at = 1; at != std::string::npos && at < path.size();) {
    at = path.find('/', at);
    const std::string part = path.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (at != std::string::npos) ++at;
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t cut = path.rfind('/');
  return cut == std::string::npos ? "." : cut == 0 ? "/" : path.substr(0, cut);
}

// The whole file, when it is a plain file within the size limit.
enum class ReadResult { Missing, Read, Unreadable };
ReadResult ReadStoreFile(const std::string& path, std::string& out, struct stat& st) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
  ReadResult result = ReadResult::Unreadable;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) <= kMaxStoreBytes) {
    out.assign(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    for (;;) {
      if (got == out.size()) out.resize(out.size() + 1);  // a file growing under us
      const ssize_t n = read(fd, out.data() + got, out.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n == 0) result = ReadResult::Read;
        break;
      }
      got += static_cast<size_t>(n);
      if (got > kMaxStoreBytes) break;
    }
    out.resize(got);
  }
  close(fd);
  return result;
}

// Moves an unreadable store to the first free "<path>.corrupt-N".
bool SetAside(const std::string& path) {
  for (int n = 1; n <= 1000; ++n) {
    const std::string aside = path + ".corrupt-" + std::to_string(n);
    struct stat st;
    if (lstat(aside.c_str(), &st) == 0) continue;
    return rename(path.c_str(), aside.c_str()) == 0;
  }
  return false;
}
}  // namespace

std::optional<std::string> NormaliseRegistryKey(std::string_view key) {
  std::string out;
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find('\\', start);
    if (end == std::string_view::npos) end = key.size();
    if (end > start) {
      if (!out.empty()) out += '\\';
      out.append(key.substr(start, end - start));
    }
    start = end + 1;
  }
  if (out.empty()) return std::nullopt;
  return out;
}

RegistryData::Key* RegistryData::Find(RegistryHive hive, std::string_view path) {
  const auto it = keys.find(MapKey(hive, path));
  return it == keys.end() ? nullptr : &it->second;
}

RegistryData::Key& RegistryData::Make(RegistryHive hive, std::string_view path) {
  Key& key = keys[MapKey(hive, path)];
  if (key.path.empty()) {
    key.hive = hive;
    key.path = std::string(path);
  }
  return key;
}

bool ParseRegistryText(std::string_view text, RegistryData& out) {
  out.keys.clear();
  if (text.size() > kMaxStoreBytes) return false;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool header = false;
  RegistryData::Key* key = nullptr;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!header) {
      if (line != kHeader) return false;
      header = true;
      continue;
    }
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']') return false;
      std::string full;
      if (!UnescapePath(line.substr(1, line.size() - 2), full)) return false;
      const size_t cut = full.find('\\');
      std::optional<RegistryHive> hive;
      for (const auto& [h, name] : kHiveNames)
        if (std::string_view(full).substr(0, cut) == name) hive = h;
      if (!hive || cut == std::string::npos) return false;
      const std::optional<std::string> path = NormaliseRegistryKey(std::string_view(full).substr(cut + 1));
      if (!path) return false;
      key = &out.Make(*hive, *path);
      continue;
    }
    if (!key) return false;
    std::string name;
    if (line[0] == '@') {
      line.remove_prefix(1);
    } else if (!ReadQuoted(line, name)) {
      return false;
    }
    if (line.empty() || line[0] != '=') return false;
    line.remove_prefix(1);
    RegistryValue value;
    if (!ParseValue(line, value)) return false;
    bool replaced = false;
    for (RegistryData::Value& v : key->values)
      if (Folded(v.name) == Folded(name)) {
        v.value = value;  // the last of duplicates wins, as when a key file is imported
        replaced = true;
      }
    if (!replaced) key->values.push_back({std::move(name), std::move(value)});
  }
  return header;
}

std::string RegistryText(const RegistryData& data) {
  std::string out(kHeader);
  out += '\n';
  for (const auto& [id, key] : data.keys) {
    out += "\n[" + EscapedPath(std::string(HiveName(key.hive)) + "\\" + key.path) + "]\n";
    for (const RegistryData::Value& v : key.values) {
      out += v.name.empty() ? "@" : Quoted(v.name);
      out += '=';
      switch (v.value.type) {
        case RegistryValue::Type::String:
          out += Quoted(v.value.data);
          break;
        case RegistryValue::Type::Dword:
          out += "dword:";
          for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(v.value.dword >> shift) & 15];
          break;
        case RegistryValue::Type::Binary:
          out += "hex:";
          for (size_t i = 0; i < v.value.data.size(); ++i) {
            if (i) out += ',';
            AppendHex(out, static_cast<unsigned char>(v.value.data[i]));
          }
          break;
      }
      out += '\n';
    }
  }
  return out;
}

std::string RegistryStore::DefaultPath() { return ConfigHome() + "/korvex-runner/registry.reg"; }

RegistryData& RegistryStore::Current() {
  struct stat st;
  if (stat(path_.c_str(), &st) != 0) {
    cache_.keys.clear();
    cached_ = false;
    return cache_;
  }
  if (cached_ && st.st_ino == cacheInode_ && st.st_size == cacheSize_ && st.st_mtim.tv_sec == cacheTime_.tv_sec &&
      st.st_mtim.tv_nsec == cacheTime_.tv_nsec)
    return cache_;
  std::string text;
  if (ReadStoreFile(path_, text, st) != ReadResult::Read || !ParseRegistryText(text, cache_))
    cache_.keys.clear();  // an unreadable store holds nothing until a write sets it aside
  cached_ = true;
  cacheInode_ = st.st_ino;
  cacheSize_ = st.st_size;
  cacheTime_ = st.st_mtim;
  return cache_;
}

bool RegistryStore::Update(const std::function<void(RegistryData&)>& change) {
  if (path_.empty() || !MakeFolders(FolderOf(path_))) return false;
  // A lock file beside the store: the store itself is replaced by every write.
  const int lock = open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) return false;
  while (flock(lock, LOCK_EX) != 0)
    if (errno != EINTR) {
      close(lock);
      return false;
    }
  RegistryData data;
  std::string text;
  struct stat st;
  bool ok = true;
  switch (ReadStoreFile(path_, text, st)) {
    case ReadResult::Missing:
      break;
    case ReadResult::Read:
      if (!ParseRegistryText(text, data)) ok = SetAside(path_);
      break;
    case ReadResult::Unreadable:
      ok = (lstat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) && SetAside(path_);
      break;
  }
  if (ok) {
    change(data);
    ok = ReplaceFileContents(path_, RegistryText(data));
  }
  cached_ = false;
  flock(lock, LOCK_UN);
  close(lock);
  return ok;
}

std::optional<RegistryValue> RegistryStore::Read(RegistryHive hive, std::string_view key, std::string_view name) {
  const std::optional<std::string> path = NormaliseRegistryKey(key);
  if (!path) return std::nullopt;
  const RegistryData::Key* k = Current().Find(hive, *path);
  if (!k) return std::nullopt;
  const std::string want = Folded(name);
  for (const RegistryData::Value& v : k->values)
    if (Folded(v.name) == want) return v.value;
  return std::nullopt;
}

bool RegistryStore::KeyExists(RegistryHive hive, std::string_view key) {
  const std::optional<std::string> path = NormaliseRegistryKey(key);
  return path && Current().Find(hive, *path) != nullptr;
}

bool RegistryStore::Write(RegistryHive hive, std::string_view key, std::string_view name, const RegistryValue& value) {
  const std::optional<std::string> path = NormaliseRegistryKey(key);
  if (!path) return false;
  return Update([&](RegistryData& data) {
    RegistryData::Key& k = data.Make(hive, *path);
    const std::string want = Folded(name);
    for (RegistryData::Value& v : k.values)
      if (Folded(v.name) == want) {
        v.value = value;
        return;
      }
    k.values.push_back({std::string(name), value});
  });
}

bool RegistryStore::CreateKey(RegistryHive hive, std::string_view key) {
  const std::optional<std::string> path = NormaliseRegistryKey(key);
  if (!path) return false;
  if (KeyExists(hive, *path)) return true;
  return Update([&](RegistryData& data) { data.Make(hive, *path); });
}

}  // namespace platform
