// The sixteen chunks of the game data: their order, progress and captions, and their versions.
#pragma once

#include <array>
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
