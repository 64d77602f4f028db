// The framing of the game data: the signature that finds it, its version, and the sixteen
// chunks with their order, progress, captions and versions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

enum class EChunk : int {
  ExtensionPackages,
  Triggers,
  Constants,
  Sounds,
  Sprites,
  Backgrounds,
  Paths,
  Scripts,
  Fonts,
  TimeLines,
  Objects,
  Rooms,
  IncludedFiles,
  GameInfo,
  LibraryInit,
  RoomOrder,
};
inline constexpr int kChunkCount = 16;

struct RChunkStep {
  EChunk chunk;
  int32_t progress;
  const char* caption;
};

inline constexpr std::array<RChunkStep, kChunkCount> kChunkSteps = {{
    {EChunk::ExtensionPackages, 0, "Loading extension packages"},
    {EChunk::Triggers, 5, "Loading triggers"},
    {EChunk::Constants, 6, "Loading constants"},
    {EChunk::Sounds, 7, "Loading sounds"},
    {EChunk::Sprites, 10, "Loading sprites"},
    {EChunk::Backgrounds, 23, "Loading backgrounds"},
    {EChunk::Paths, 30, "Loading paths"},
    {EChunk::Scripts, 32, "Loading scripts"},
    {EChunk::Fonts, 34, "Loading fonts"},
    {EChunk::TimeLines, 36, "Loading time lines"},
    {EChunk::Objects, 38, "Loading objects"},
    {EChunk::Rooms, 40, "Loading rooms"},
    {EChunk::IncludedFiles, 43, "Loading included files"},
    {EChunk::GameInfo, 45, "Loading help"},
    {EChunk::LibraryInit, 47, "Loading library init code"},
    {EChunk::RoomOrder, 49, "Loading room order"},
}};

// Chunk versions.
inline constexpr int32_t kChunkVersion = 800;
inline constexpr int32_t kExtensionChunkVersion = 700;
inline constexpr int32_t kLibraryInitChunkVersion = 500;
inline constexpr int32_t kRoomOrderChunkVersion = 700;
// Each record of the included files chunk.
inline constexpr int32_t kDataFileVersion = 800;

inline constexpr int32_t kGameDataVersion = 810;
// The search for appended game data starts past the largest runner image the format allows.
inline constexpr int64_t kSignatureSearchStart = 3800004;
inline constexpr size_t kSignatureSize = 8;

// Exit status when the game data fails its checksum: the runner ends at once, without a message.
inline constexpr int kExitDamagedData = 3;

// The little-endian 32-bit word at p, wherever it is aligned.
inline uint32_t ReadLE32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// True when the 8 bytes at p are a game-data signature.
bool IsGameDataSignature(const uint8_t* p);
// Offset of the first signature at or after the search start, or -1.
int64_t FindGameDataSignature(const uint8_t* data, size_t size);
// Offset of the first signature that starts at or after from and ends within size, or -1.
int64_t FindGameDataSignatureFrom(const uint8_t* data, size_t size, size_t from);
// The term the version word at S+16 is xor-ed with for a signature at S.
int32_t VersionWordKey(int64_t signatureOffset);
