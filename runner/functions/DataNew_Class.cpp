// Included files: the records of the included-files chunk, their export and their removal.
#include "runner/functions/DataNew_Class.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "platform/files/AtomicFile.h"
#include "runner/base/Game.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/code/Code_Error.h"

namespace fs = std::filesystem;

namespace {
// The game's included files and where their errors go.
struct RIncludedFilesState {
  static constexpr EGameSlot kSlot = EGameSlot::IncludedFiles;
  std::vector<CDataFile> files;
  std::function<void(std::string_view)> errorHandler;
};
RIncludedFilesState& IncludedFiles() { return TheGame().State<RIncludedFilesState>(); }

void ReportError(std::string_view text) {
  if (const auto& handler = IncludedFiles().errorHandler)
    handler(text);
  else
    ShowError(text, false);
}

bool HasSeparator(std::string_view name) { return name.find_first_of("\\/") != std::string_view::npos; }

// A folder named by the game: drive letters map to the root of the one file system.
std::string NormaliseFolder(std::string_view dir) {
  if (HasDriveLetter(dir)) {
    const bool rooted = dir.size() > 2 && (dir[2] == '\\' || dir[2] == '/');
    dir.remove_prefix(2);
    if (!rooted) return NormaliseGamePath(dir);
  }
  return NormaliseGamePath(dir);
}

// Reads a block as ReadStream does, but gives it the record's own buffer rather than a copy: an
// included file is nearly all of its record and would otherwise be held twice. The record is
// left with the bytes after the block, from position 0.
CStream TakeStream(CStream& record) {
  const int32_t n = record.ReadInteger();
  const int32_t at = record.GetPosition();
  if (n < 0 || n > record.GetSize() - at) {
    record.SetPosition(at - 4);
    return record.ReadStream();  // raises its own error
  }
  const uint8_t* bytes = std::as_const(record).Data();
  CStream rest = CStream::FromBytes(bytes + at + n, static_cast<size_t>(record.GetSize() - at - n));
  CStream block = std::move(record);
  block.SetPosition(0);
  block.WriteBuffer(std::as_const(block).Data() + at, n);  // moves the bytes within the buffer
  block.SetSize(n);
  block.SetPosition(0);
  record = std::move(rest);
  return block;
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}
}  // namespace

void SetDataFileErrorHandler(std::function<void(std::string_view)> handler) {
  IncludedFiles().errorHandler = std::move(handler);
}

bool CDataFile::LoadFromStream(CStream& stream) {
  Clear();
  if (stream.ReadInteger() != kDataFileVersion) return false;
  s_filename = stream.ReadString();
  s_origname = stream.ReadString();
  s_exists = stream.ReadBoolean();
  s_size = stream.ReadInteger();
  s_store = stream.ReadBoolean();
  if (s_exists && s_store) s_data = TakeStream(stream);
  s_exportaction = stream.ReadInteger();
  s_exportdir = stream.ReadString();
  s_overwrite = stream.ReadBoolean();
  s_freedata = stream.ReadBoolean();
  s_removeend = stream.ReadBoolean();
  return true;
}

bool CDataFile::ExportIt(const std::string& path) {
  if (!s_exists) return false;
  if (!s_overwrite && FileExists(path)) return false;
  // Written to a fresh, uniquely named file beside the target and renamed, so a failed write
  // never leaves a cut-off file in its place and no file of the player's is used on the way.
  const char* data = reinterpret_cast<const char*>(s_data.Data());
  return platform::ReplaceFileContents(path, std::string_view(data, static_cast<size_t>(s_data.GetSize())));
}

std::string CDataFile::TargetPath() const {
  if (!IsConfinedName(s_filename)) return {};
  const std::string name = NormaliseGamePath(s_filename);
  switch (s_exportaction) {
    case kExportTemp: return GetTempDirectory() + "/" + name;
    case kExportGame: return name;
    case kExportDir: {
      std::string dir = NormaliseFolder(s_exportdir);
      if (dir.empty()) return {};
      if (dir.back() != '/') dir += '/';
      return dir + name;
    }
    default: return {};
  }
}

bool CDataFile::Prepare(bool secure) {
  if (!s_exists) return false;
  if (s_exportaction == kExportNone) return true;
  if (secure && HasSeparator(s_filename)) {
    ReportError("In secure mode you cannot export a data file to " + s_filename);
    return false;
  }
  bool ok = false;
  if (s_exportaction == kExportDir && secure) {
    ReportError("In secure mode you cannot export a data file to an indicated directory.");
  } else {
    const std::string target = TargetPath();
    if (target.empty()) {
      WriteTrace("Included file not exported, its name leaves the target folder: " + s_filename);
    } else {
      if (s_exportaction == kExportDir) {
        std::error_code ec;
        fs::create_directories(NormaliseFolder(s_exportdir), ec);
      }
      ok = ExportIt(target);
      // Only a file this run wrote is its to delete at the end; a player's file of the same
      // name that stopped the export stays.
      if (ok) s_exported = true;
    }
  }
  if (s_freedata) Discard();
  return ok;
}

void CDataFile::Discard() {
  if (!s_exists) return;
  s_exists = false;
  s_data.Clear();
}

bool CDataFile::Remove(bool secure) {
  if (!s_removeend) return true;
  if (secure && HasSeparator(s_filename)) return false;
  if (s_exportaction == kExportNone) return true;
  if (s_exportaction == kExportDir && secure) return false;
  if (!s_exported) return false;
  const std::string target = TargetPath();
  if (target.empty()) return false;
  if (std::remove(target.c_str()) != 0) return false;
  s_exported = false;
  return true;
}

bool DataFile_LoadChunk(CStream& stream) {
  IncludedFiles().files.clear();
  if (stream.ReadInteger() != kDataFileVersion) return false;
  const int32_t count = stream.ReadInteger();
  if (count < 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    CStream block = stream.ReadStreamC();
    CDataFile file;
    if (!file.LoadFromStream(block)) {
      IncludedFiles().files.clear();
      return false;
    }
    IncludedFiles().files.push_back(std::move(file));
  }
  return true;
}

int DataFile_Count() { return static_cast<int>(IncludedFiles().files.size()); }

int DataFile_Find(std::string_view name) {
  for (size_t i = 0; i < IncludedFiles().files.size(); ++i)
    if (IncludedFiles().files[i].s_filename == name) return static_cast<int>(i);
  return -1;
}

CDataFile* DataFile_Get(int index) {
  if (index < 0 || index >= DataFile_Count()) return nullptr;
  return &IncludedFiles().files[static_cast<size_t>(index)];
}

void DataFile_PrepareAll() {
  for (CDataFile& f : IncludedFiles().files) f.Prepare(SecureMode());
}

void DataFile_RemoveAll() {
  for (CDataFile& f : IncludedFiles().files) f.Remove(SecureMode());
}
