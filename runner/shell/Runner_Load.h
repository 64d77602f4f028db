// Loading and preparing the game data: the signature search, the unscrambling, the header,
// the settings, the chunk sequence and the preparation steps, with the loading window.
#pragma once

#include <string>

// True when the file holds appended game data (a signature at or after the search start).
bool FileHasGameData(const std::string& path);

// Loads the game data from the file. Returns false after showing its own message; throws on
// damaged data (the caller shows the generic load-failure message).
bool LoadGameData(const std::string& path);

// Runs the preparation steps. Returns false after showing its own message.
bool PrepareGame();
