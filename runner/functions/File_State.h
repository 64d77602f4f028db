// What the file, INI and registry functions keep for a game: the open text and binary files,
// the directory search, the INI copy and the registry. One struct in the game's Files slot; the
// game's end closes the files and writes a changed INI copy back.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry/RegistryStore.h"
#include "runner/base/Game.h"
#include "runner/functions/Support_BinaryFile.h"
#include "runner/functions/Support_File.h"
#include "runner/functions/Support_Ini.h"

// Text and binary files each have handles 1..32.
inline constexpr int32_t kFileSlots = 32;

// The INI copy and the file it goes back to, fixed when it was opened.
struct RIniCopy {
  CIniFile file;
  std::string path;
};

struct RFilesState {
  static constexpr EGameSlot kSlot = EGameSlot::Files;
  RFilesState() = default;
  RFilesState(const RFilesState&) = delete;
  RFilesState& operator=(const RFilesState&) = delete;
  ~RFilesState();  // the end of the game: a changed INI copy still reaches its file

  std::array<CTextFile, kFileSlots> text;
  CTextFile single;  // the file_* functions
  std::array<CBinaryFile, kFileSlots> binary;
  // The names the running directory search has still to give, sorted; none when not searching.
  std::vector<std::string> found;
  size_t foundNext = 0;
  std::unique_ptr<RIniCopy> ini;
  platform::RegistryHive registryRoot = platform::RegistryHive::CurrentUser;
  std::unique_ptr<platform::RegistryStore> registry;  // made on first use
};
inline RFilesState& Files() { return TheGame().State<RFilesState>(); }

// Writes a changed INI copy back to its file, atomically; false when that failed.
bool SaveIniCopy(RIniCopy& copy);
// The registry store of this user.
platform::RegistryStore& RegistryStoreOf(RFilesState& files);

// The game starts: secure mode from the user's preferences in the registry.
void StartFiles();
// The game ends: every file closed, a changed INI copy written back.
void ShutdownFiles();
