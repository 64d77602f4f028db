// Writing a project as game data: the header, the settings block, the library file, the
// chunk sequence, and the container around them (padding, signature, scrambling).
#pragma once

#include <cstdint>
#include <vector>

#include "runner/base/Support_Stream.h"
#include "tools/gamebuild/Project.h"

namespace gamebuild {

void WriteSettings(CStream& out, const ROptions& settings);
// The chunk sequence, before it is shuffled into its "E" block.
CStream WriteChunks(const RProject& project, const std::array<uint8_t, 16>& sessionId);

// The whole file: the runner's bytes (may be empty), zero padding up to the signature, the
// preamble and the scrambled header. The same project and seed give the same bytes.
std::vector<uint8_t> WriteGameFile(const RProject& project, const std::vector<uint8_t>& runner, uint32_t seed);

}  // namespace gamebuild
