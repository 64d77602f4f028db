// The default chunk loaders: they check a chunk's framing and skip its records by their stored
// layout, for the chunks no subsystem of the current game loads (RunChunkLoader, Runner_Game.h);
// and where the chunks' compressed blocks should lie, for inflating them ahead.
#pragma once

#include <cstdint>
#include <vector>

#include "runner/base/Load_Chunks.h"

class CStream;

// Reads one chunk at the stream's position and leaves the position after it. False on a bad
// chunk (wrong version, bad record); a short or damaged chunk throws StreamError.
bool DefaultChunkLoader(EChunk chunk, CStream& stream);

// Where the compressed blocks of the chunks from the triggers to the game information should
// lie, for a chunk stream positioned at the start of the triggers chunk: their framing is fixed
// up to the records inside the blocks. Only a guess for inflating ahead (Stream_Ahead.h): it
// stops at the first thing that does not fit and never moves the stream.
std::vector<int32_t> CompressedBlocksAhead(const CStream& stream);
