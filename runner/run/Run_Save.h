// The runtime's part of a saved game: the current room, the game-wide values, the global
// variables, the live copy of every room and the two id counters, in the order the file keeps.
#pragma once

#include <functional>

class CStream;

void SaveRunState(CStream& str);
// Reads the same part into new structures and checks all of it against the data and the
// game's resources while the running game stays as it is; returns the step that puts it in
// place. Damaged data throws StreamError.
std::function<void()> ReadRunState(CStream& str);
