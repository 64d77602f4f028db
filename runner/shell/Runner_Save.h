// Saved games as files: the version and the game id, then each subsystem's part in the order
// of the subsystem table. Saving replaces the file atomically, so an interrupted save leaves
// the old one whole; loading reads the whole file and checks every part before any of it
// replaces the running game's state.
#pragma once

#include <cstdint>
#include <string>

class CStream;

inline constexpr int32_t kSaveGameVersion = 540;

// The saved game of the running game, as the file holds it.
CStream SavedGame();
// Loads a saved game held in memory (file names it in messages); false, with the message
// reported and the game as it was, when the file is refused.
bool LoadSavedGame(CStream& stream, const std::string& file);

// Saves the running game at once; failures are reported as non-fatal errors.
void SaveGameFile(const std::string& file);
// Loads a saved game at once; a missing file does nothing, anything wrong with it is reported
// and leaves the game as it was.
void LoadGameFile(const std::string& file);
