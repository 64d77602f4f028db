// Game file names and text files; see Support_File.h.
#include "runner/functions/Support_File.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <charconv>
#include <cstdlib>
#include <cmath>

#include "runner/code/Variable_Class.h"
#include "runner/base/Support_Path.h"

namespace {
bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// Separators made "/", repeated ones collapsed, a drive letter dropped ("C:\a" is "/a", "C:a"
// is "a"). Network paths and names with a NUL name nothing here.
std::optional<std::string> MapName(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1])) return std::nullopt;
  const bool drive = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  if (drive) name.remove_prefix(2);
  if (name.empty()) return std::nullopt;
  return NormaliseGamePath(name);
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& base, std::string_view comp) {
  if (base.empty()) return std::string(comp);
  if (base == "/") return "/" + std::string(comp);
  return base + "/" + std::string(comp);
}

locale_t FoldLocale() {
  static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return loc;
}

// Lower-cased code points; bytes that are not UTF-8 stay themselves, apart from every letter.
std::u32string Fold(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  const locale_t loc = FoldLocale();
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    char32_t cp = 0;
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
      out.push_back(0x80000000u + b);  // beyond every code point, so it only matches itself
      ++i;
      continue;
    }
    cp = n == 1 ? b : (b & (0x7F >> n));
    bool ok = true;
    for (size_t k = 1; k < n; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      out.push_back(0x80000000u + b);
      ++i;
      continue;
    }
    if (loc)
      cp = static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc));
    else if (cp >= 'A' && cp <= 'Z')
      cp += 'a' - 'A';
    out.push_back(cp);
    i += n;
  }
  return out;
}

// The entry of folder base that matches comp without regard to case: the first in byte order.
std::optional<std::string> FindVariant(const std::string& base, std::string_view comp) {
  DIR* dir = opendir(base.empty() ? "." : base.c_str());
  if (!dir) return std::nullopt;
  const std::u32string want = Fold(comp);
  std::optional<std::string> best;
  while (const dirent* e = readdir(dir)) {
    const std::string_view entry = e->d_name;
    if (entry == "." || entry == "..") continue;
    if (Fold(entry) != want) continue;
    if (!best || entry < *best) best = std::string(entry);
  }
  closedir(dir);
  return best;
}

std::optional<std::string> ResolveMapped(const std::string& path) {
  if (Exists(path)) return path;
  std::string base = path.front() == '/' ? "/" : "";
  size_t start = path.front() == '/' ? 1 : 0;
  while (start < path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string_view comp(path.data() + start, end - start);
    start = end + 1;
    if (comp.empty()) continue;
    std::string next = Join(base, comp);
    if (!Exists(next)) {
      std::optional<std::string> variant = FindVariant(base, comp);
      if (!variant) return std::nullopt;
      next = Join(base, *variant);
    }
    base = std::move(next);
  }
  return base;
}
}  // namespace

std::optional<std::string> MapFileName(std::string_view name) { return MapName(name); }

bool IsPathName(std::string_view name) {
  return name.find_first_of("\\/") != std::string_view::npos;
}

std::optional<std::string> ResolveExisting(std::string_view name) {
  std::optional<std::string> path = MapName(name);
  if (!path) return std::nullopt;
  return ResolveMapped(*path);
}

std::optional<std::string> ResolveForWrite(std::string_view name) {
  std::optional<std::string> path = MapName(name);
  if (!path || path->back() == '/') return std::nullopt;
  const size_t cut = path->rfind('/');
  std::string dir = cut == std::string::npos ? "" : cut == 0 ? "/" : path->substr(0, cut);
  const std::string leaf = cut == std::string::npos ? *path : path->substr(cut + 1);
  if (leaf == "." || leaf == "..") return std::nullopt;
  if (!dir.empty() && dir != "/") {
    if (std::optional<std::string> found = ResolveMapped(dir)) dir = std::move(*found);
  }
  std::string target = Join(dir, leaf);
  if (!Exists(target))
    if (std::optional<std::string> variant = FindVariant(dir, leaf)) target = Join(dir, *variant);
  return target;
}

std::string ReplaceTarget(const std::string& path, bool secure) {
  struct stat st;
  if (secure || lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;  // a dangling link: replaced like a missing file
  std::string target = real;
  free(real);
  return target;
}

bool CTextFile::OpenRead(const std::string& path) {
  Close();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  // Only plain files: a pipe or device could block the game or never end.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0 ||
      !(file_ = fdopen(fd, "rb"))) {
    close(fd);
    return false;
  }
  mode_ = kRead;
  if (Peek() == 0xEF) {
    Get();
    if (Peek() == 0xBB) {
      Get();
      if (Peek() == 0xBF) {
        Get();
        return true;
      }
    }
    rewind(file_);  // not a byte-order mark after all
  }
  return true;
}

bool CTextFile::OpenWrite(const std::string& path, bool append, bool secure) {
  Close();
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | (append ? O_APPEND : O_TRUNC);
  if (secure) flags |= O_NOFOLLOW;
  const int fd = open(path.c_str(), flags, 0666);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, O_APPEND & flags) != 0 ||
      !(file_ = fdopen(fd, append ? "ab" : "wb"))) {
    close(fd);
    return false;
  }
  mode_ = kWrite;
  return true;
}

bool CTextFile::Close() {
  if (!file_) return true;
  const bool ok = fclose(file_) == 0;
  file_ = nullptr;
  mode_ = kFree;
  return ok;
}

int CTextFile::Peek() {
  const int c = getc(file_);
  if (c != EOF) ungetc(c, file_);
  return c;
}

int CTextFile::Get() {
  return getc(file_);
}

void CTextFile::SkipLineEnd() {
  const int c = Peek();
  if (c == '\n') {
    Get();
  } else if (c == '\r') {
    Get();
    if (Peek() == '\n') Get();
  }
}

bool CTextFile::ReadString(std::string& out) {
  out.clear();
  for (;;) {
    const int c = Peek();
    if (c == EOF || c == '\r' || c == '\n') break;
    if (out.size() >= kMaxStringBytes) return false;
    out.push_back(static_cast<char>(Get()));
  }
  return !ferror(file_);
}

double CTextFile::ReadReal(bool skipAll) {
  double value = 0.0, scale = 0.1;
  bool negative = false, digits = false, fraction = false;
  for (;;) {
    const int c = Peek();
    if (c == EOF || c == '\r' || c == '\n') break;
    Get();
    if (c >= '0' && c <= '9') {
      digits = true;
      if (fraction) {
        value += (c - '0') * scale;
        scale /= 10.0;
      } else {
        value = value * 10.0 + (c - '0');
      }
    } else if ((c == ' ' || c == '\t') && (skipAll || !digits)) {
      continue;
    } else if (c == '-' && (skipAll || !digits)) {
      negative = true;
    } else if ((c == '.' || c == ',') && !fraction) {
      fraction = true;
    } else {
      break;
    }
  }
  return negative ? -value : value;
}

bool CTextFile::ReadLn() {
  for (;;) {
    const int c = Peek();
    if (c == EOF) break;
    if (c == '\r' || c == '\n') {
      SkipLineEnd();
      break;
    }
    Get();
  }
  return !ferror(file_);
}

bool CTextFile::Eof() {
  return Peek() == EOF;
}

bool CTextFile::Eoln() {
  const int c = Peek();
  return c == EOF || c == '\r' || c == '\n';
}

bool CTextFile::Write(std::string_view text) {
  const bool ok = std::fwrite(text.data(), 1, text.size(), file_) == text.size();
  return std::fflush(file_) == 0 && ok;
}

std::string TextFileReal(double value) {
  std::string out = value < 0 ? " -" : " ";
  const double a = std::fabs(value);
  const double whole = std::floor(a);
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, whole, std::chars_format::fixed, 0);
  out.append(buf, r.ptr);
  if (!std::isfinite(a)) return out;
  double six = std::floor((a - whole) * 1000000.0);
  if (six > 999999.0) six = 999999.0;
  if (six > 0.0) {
    const auto n = static_cast<int>(six);
    char frac[8];
    auto f = std::to_chars(frac, frac + sizeof frac, n);
    out += '.';
    out.append(6 - static_cast<size_t>(f.ptr - frac), '0');
    out.append(frac, f.ptr);
  }
  return out;
}
