// The table of chunk loaders. Until a subsystem's loader is set, a default loader checks the
// chunk's framing and skips its records.
#pragma once

#include <functional>

#include "runner/base/Load_Chunks.h"

class CStream;

// Reads one chunk at the stream's position and leaves the position after it. False on a bad
// chunk (wrong version, bad record); a short or damaged chunk throws StreamError.
using ChunkLoader = std::function<bool(CStream&)>;

void SetChunkLoader(EChunk chunk, ChunkLoader loader);  // an empty loader restores the default
bool RunChunkLoader(EChunk chunk, CStream& stream);
bool DefaultChunkLoader(EChunk chunk, CStream& stream);
void ResetChunkLoaders();
