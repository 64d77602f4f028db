// The default chunk loaders: they check a chunk's framing and skip its records by their stored
// layout, for the chunks no subsystem of the current game loads (RunChunkLoader, Runner_Game.h).
#pragma once

#include "runner/base/Load_Chunks.h"

class CStream;

// Reads one chunk at the stream's position and leaves the position after it. False on a bad
// chunk (wrong version, bad record); a short or damaged chunk throws StreamError.
bool DefaultChunkLoader(EChunk chunk, CStream& stream);
