// Built-in functions on files and folders as a whole: renaming, copying, folders, the directory
// search, attributes, file-name parts and disk space.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/files/AtomicFile.h"
#include "platform/files/DiskSpace.h"
#include "runner/base/Option_Main.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/File_State.h"
#include "runner/functions/Function_Families.h"

namespace {
void Error(std::string_view message) { ShowActionError(message, false); }

enum : int32_t {
  kReadOnly = 1,
  kHidden = 2,
  kSysFile = 4,
  kVolumeId = 8,
  kDirectory = 16,
  kArchive = 32,
};

std::string Join(const std::string& folder, std::string_view leaf) {
  if (folder.empty() || folder == ".") return std::string(leaf);
  return folder + (folder.back() == '/' ? "" : "/") + std::string(leaf);
}

// What a Windows program would see of an entry: folders, names starting with "." as hidden,
// files this user may not write as read-only, every plain file marked for archiving.
int32_t Attributes(const std::string& path, std::string_view leaf) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return -1;
  int32_t bits = 0;
  if (S_ISDIR(st.st_mode)) bits |= kDirectory;
  if (S_ISREG(st.st_mode)) bits |= kArchive;
  if (!leaf.empty() && leaf[0] == '.' && leaf != "." && leaf != "..") bits |= kHidden;
  if (access(path.c_str(), W_OK) != 0) bits |= kReadOnly;
  return bits;
}

std::string_view LeafOf(std::string_view path) {
  const size_t cut = path.find_last_of('/');
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat x, y;
  return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

// Moves without ever replacing what is at the target: a Windows move fails there, while a
// plain rename here would silently destroy the target.
bool MoveNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EINVAL || errno == ENOSYS) {  // a file system without the flag
    struct stat st;
    if (lstat(to.c_str(), &st) == 0) return false;
    return rename(from.c_str(), to.c_str()) == 0;
  }
  if (errno != EXDEV) return false;
  // Another file system: copy, then remove the original only once the copy is whole.
  struct stat st;
  if (stat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || lstat(to.c_str(), &st) == 0) return false;
  return platform::CopyFileReplacing(from, to) && unlink(from.c_str()) == 0;
}

void file_rename(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  const std::string_view from = argv[0].str(), to = argv[1].str();
  if (SecureMode() && (IsPathName(from) || IsPathName(to)))
    return Error("In Secure mode you cannot rename file " + std::string(from) + " into " + std::string(to));
  const std::optional<std::string> source = ResolveExisting(from);
  const std::optional<std::string> target = ResolveForWrite(to);
  if (!source || !target || SameFile(*source, *target)) return;
  MoveNoReplace(*source, *target);
}

void file_copy(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  const std::string_view from = argv[0].str(), to = argv[1].str();
  if (SecureMode() && (IsPathName(from) || IsPathName(to)))
    return Error("In Secure mode you cannot copy file " + std::string(from) + " to " + std::string(to));
  const std::optional<std::string> source = ResolveExisting(from);
  if (!source) return;
  const std::optional<std::string> target = ResolveForWrite(to);
  // The target is replaced whole or not at all; a full disk must not pass for a copy.
  if (!target || !platform::CopyFileReplacing(*source, ReplaceTarget(*target, SecureMode())))
    Error("Error copying file " + std::string(from) + " to " + std::string(to));
}

void directory_exists(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::optional<std::string> path = ResolveExisting(argv[0].str());
  result.SetReal(BoolReal(path && IsDirectory(*path)));
}

void directory_create(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) {
  const std::string_view name = argv[0].str();
  if (SecureMode() && IsPathName(name))
    return Error("In Secure mode you cannot create directory " + std::string(name));
  const std::optional<std::string> mapped = MapFileName(name);
  if (!mapped) return;
  // Each missing folder on the way, reusing folders that exist in another letter case.
  std::string built = mapped->front() == '/' ? "/" : "";
  size_t start = built.size();
  while (start < mapped->size()) {
    size_t end = mapped->find('/', start);
    if (end == std::string::npos) end = mapped->size();
    const std::string_view part(mapped->data() + start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    const std::optional<std::string> next = part == ".." ? Join(built, "..") : ResolveForWrite(Join(built, part));
    if (!next) return;
    if (!IsDirectory(*next) && mkdir(next->c_str(), 0777) != 0) return;
    built = *next;
  }
}

// The mask's folder and pattern, "*.*" meaning every name as it does on Windows.
bool SplitMask(std::string_view mask, std::string& folder, std::string& pattern) {
  const size_t cut = mask.find_last_of("\\/");
  pattern = std::string(cut == std::string_view::npos ? mask : mask.substr(cut + 1));
  if (pattern.size() >= 2 && pattern[1] == ':' && cut == std::string_view::npos) pattern.erase(0, 2);
  if (pattern.empty() || pattern.find('\0') != std::string::npos) return false;
  if (pattern == "*.*") pattern = "*";
  if (cut == std::string_view::npos) {
    folder = ".";
    return true;
  }
  const std::optional<std::string> resolved = ResolveExisting(mask.substr(0, cut + 1));
  if (!resolved) return false;
  folder = *resolved;
  return true;
}

bool FoldedLess(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y;
  }
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::string NextFound() {
  RFilesState& files = Files();
  if (files.foundNext >= files.found.size()) return "";
  return files.found[files.foundNext++];
}

void file_find_first(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  RFilesState& files = Files();
  files.found.clear();
  files.foundNext = 0;
  const int32_t wanted = RoundToInt32(argv[1].val());
  std::string folder, pattern;
  if (SplitMask(argv[0].str(), folder, pattern)) {
    // The whole list is taken now and sorted: the order of a folder listing means nothing.
    if (DIR* dir = opendir(folder.c_str())) {
      while (const dirent* e = readdir(dir)) {
        const std::string_view name = e->d_name;
        if (fnmatch(pattern.c_str(), e->d_name, FNM_CASEFOLD | FNM_NOESCAPE) != 0) continue;
        const int32_t bits = Attributes(Join(folder, name), name);
        if (bits < 0) continue;
        if ((bits & kDirectory) && !(wanted & kDirectory)) continue;
        if ((bits & kHidden) && !(wanted & kHidden)) continue;
        files.found.emplace_back(name);
      }
      closedir(dir);
    }
    std::sort(files.found.begin(), files.found.end(), FoldedLess);
  }
  result.SetString(NextFound());
}

void file_find_next(CInstance*, CInstance*, int32_t, RValue*, RValue& result) { result.SetString(NextFound()); }

void file_find_close(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  Files().found.clear();
  Files().foundNext = 0;
}

void file_attributes(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetReal(-1);
  const std::optional<std::string> path = ResolveExisting(argv[0].str());
  if (!path) return;
  const int32_t bits = Attributes(*path, LeafOf(*path));
  if (bits >= 0) result.SetReal(BoolReal((bits & RoundToInt32(argv[1].val())) != 0));
}

// File-name parts work on the text alone, with "\", "/" and the drive's ":" as delimiters.
size_t LastDelimiter(std::string_view name) { return name.find_last_of("\\/:"); }

std::string_view NamePart(std::string_view name) {
  const size_t cut = LastDelimiter(name);
  return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

std::string_view PathPart(std::string_view name) {
  const size_t cut = LastDelimiter(name);
  return cut == std::string_view::npos ? std::string_view() : name.substr(0, cut + 1);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The path without its trailing separator, unless that separator is the root's ("C:\", "\").
std::string_view DirPart(std::string_view name) {
  std::string_view path = PathPart(name);
  if (path.size() > 1 && IsSeparator(path.back()) && !IsSeparator(path[path.size() - 2]) &&
      path[path.size() - 2] != ':')
    path.remove_suffix(1);
  return path;
}

std::string_view DrivePart(std::string_view name) {
  if (name.size() >= 2 && name[1] == ':') return name.substr(0, 2);
  if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1])) {
    // "\\server\share": up to the separator after the share's name.
    size_t at = name.find_first_of("\\/", 2);
    if (at != std::string_view::npos) at = name.find_first_of("\\/", at + 1);
    return name.substr(0, at);
  }
  return {};
}

size_t ExtensionStart(std::string_view name) {
  const size_t dot = name.find_last_of('.');
  const size_t cut = LastDelimiter(name);
  if (dot == std::string_view::npos || (cut != std::string_view::npos && dot < cut)) return std::string_view::npos;
  return dot;
}

void filename_name(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetString(NamePart(argv[0].str()));
}
void filename_path(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetString(PathPart(argv[0].str()));
}
void filename_dir(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetString(DirPart(argv[0].str()));
}
void filename_drive(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  result.SetString(DrivePart(argv[0].str()));
}
void filename_ext(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::string_view name = argv[0].str();
  const size_t dot = ExtensionStart(name);
  result.SetString(dot == std::string_view::npos ? std::string_view() : name.substr(dot));
}
void filename_change_ext(CInstance*, CInstance*, int32_t, RValue* argv, RValue& result) {
  const std::string_view name = argv[0].str();
  const size_t dot = ExtensionStart(name);
  result.SetString(std::string(name.substr(0, dot)) + std::string(argv[1].str()));
}

// The drive of the current folder for "" and "C"; a Linux path names its own file system;
// other drives do not exist here.
void DiskSpaceOf(int32_t argc, RValue* argv, RValue& result, bool total) {
  result.SetReal(-1);
  const std::string_view drive = argc > 0 ? argv[0].str() : std::string_view();
  std::string path;
  if (drive.empty() || drive[0] == 'c' || drive[0] == 'C')
    path = ".";
  else if (drive[0] == '/' && drive.find('\0') == std::string_view::npos)
    path = std::string(drive);
  else
    return;
  platform::DiskSpaceInfo info;
  if (platform::DiskSpace(path, info)) result.SetReal(total ? info.totalBytes : info.freeBytes);
}

void disk_free(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  DiskSpaceOf(argc, argv, result, false);
}
void disk_size(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  DiskSpaceOf(argc, argv, result, true);
}

constexpr RFunctionDef kFileSystemFunctions[] = {
    {"file_rename", 2, file_rename},
    {"file_copy", 2, file_copy},
    {"directory_exists", 1, directory_exists},
    {"directory_create", 1, directory_create},
    {"file_find_first", 2, file_find_first},
    {"file_find_next", 0, file_find_next},
    {"file_find_close", 0, file_find_close},
    {"file_attributes", 2, file_attributes},
    {"filename_name", 1, filename_name},
    {"filename_path", 1, filename_path},
    {"filename_dir", 1, filename_dir},
    {"filename_drive", 1, filename_drive},
    {"filename_ext", 1, filename_ext},
    {"filename_change_ext", 2, filename_change_ext},
    {"disk_free", kArgsAny, disk_free},
    {"disk_size", kArgsAny, disk_size},
};
}  // namespace

FunctionFamily FileSystemFunctions() { return kFileSystemFunctions; }
