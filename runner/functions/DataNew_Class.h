// Included files: files a game carries in its data, exported when the game starts and removed
// again when it ends. Names taken from game data never leave their target folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runner/base/Load_Chunks.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Support_Path.h"
#include "runner/base/Support_Stream.h"

enum EExportAction : int32_t {
  kExportNone = 0,
  kExportTemp = 1,
  kExportGame = 2,
  kExportDir = 3,
};

class CDataFile {
 public:
  std::string s_filename;
  std::string s_origname;
  bool s_exists = false;
  int32_t s_size = 0;
  bool s_store = false;
  CStream s_data;
  int32_t s_exportaction = kExportGame;
  std::string s_exportdir;
  bool s_overwrite = false;
  bool s_freedata = true;
  bool s_removeend = true;
  // Set when this run's automatic export wrote the file; only then is it removed at the end.
  bool s_exported = false;

  void Clear() { *this = CDataFile(); }
  void Assign(const CDataFile& other) { *this = other; }
  // False on a wrong version (the record is left cleared); a short record throws StreamError.
  bool LoadFromStream(CStream& stream);

  // Writes the content to path when it exists and no file is there yet or overwriting is on.
  bool ExportIt(const std::string& path);
  // The automatic export to the place the record names.
  bool Prepare(bool secure);
  void Discard();
  // Deletes the exported file at the end of the game when the record asks for it and this run
  // exported it.
  bool Remove(bool secure);

  // Where export kinds 1-3 put the file; empty when the name may not be written there.
  std::string TargetPath() const;
};

// Where the non-fatal errors of included files go: by default the run-time error report without
// an action context; the file functions route them to the running action instead.
void SetDataFileErrorHandler(std::function<void(std::string_view)> handler);

// Secure mode (SecureMode() of Option_Main) refuses path names. Off until the registry says so.

// The list in chunk order.
bool DataFile_LoadChunk(CStream& stream);
int DataFile_Count();
int DataFile_Find(std::string_view name);  // exact, case-sensitive; -1 when none
CDataFile* DataFile_Get(int index);         // null outside the list
void DataFile_PrepareAll();
// Deletes every file marked for removal at the end; ShutdownGame calls this.
void DataFile_RemoveAll();
