// Loading and preparing the game data: the signature search, the unscrambling, the header,
// the settings, the chunk sequence and the preparation steps, with the loading window.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CStream;

inline constexpr int32_t kGameDataVersion = 810;
// The search for appended game data starts past the largest runner image the format allows.
inline constexpr int64_t kSignatureSearchStart = 3800004;
inline constexpr size_t kSignatureSize = 8;

// Exit status when the game data fails its checksum: the runner ends at once, without a message.
inline constexpr int kExitDamagedData = 3;

// True when the 8 bytes at p are a game-data signature.
bool IsGameDataSignature(const uint8_t* p);
// Offset of the first signature at or after the search start, or -1.
int64_t FindGameDataSignature(const uint8_t* data, size_t size);
// The term the version word at S+16 is xor-ed with for a signature at S.
int32_t VersionWordKey(int64_t signatureOffset);

// True when the file holds appended game data (a signature at or after the search start).
bool FileHasGameData(const std::string& path);

// Loads the game data from the file. Returns false after showing its own message; throws on
// damaged data (the caller shows the generic load-failure message).
bool LoadGameData(const std::string& path);
// The same on a whole game file already in memory; unscrambles the stream in place.
bool LoadGameData(CStream& file);

// Runs the preparation steps of the current game's subsystems (Runner_Game.h). Returns false
// after showing its own message.
bool PrepareGame();

// The game id and session id of the chunk sequence go to the settings (Option_Main); the debug
// flag of the header goes to SetDebugMode. The Direct3D extension library is loaded from its
// path in the temporary directory by the shell state's d3dxLoader; without one the file only
// has to be there and readable (the graphics layer stands in for its functions).

// The preparation steps subsystems take part in; each succeeds when no subsystem has it.
enum class EPrepareStep : int {
  ExtensionPackages,
  Constants,
  Triggers,
  Scripts,
  TimeLines,
  Objects,
  Sounds,
  Display,    // the display set-up, SetupDisplay of the shell
  StopSound,  // after a failed display set-up
  InputHandlers,
};
