// The image resources of a project: sprites (frames, origin and the collision masks the runner
// reads as they are) and backgrounds, read from sprites/ and backgrounds/ and written as the
// two chunks of the game data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "runner/base/BM32_Bitmap.h"
#include "runner/graphics/Sprite_Mask.h"

class CStream;

namespace gamebuild {

struct RSpriteSource {
  std::string name;
  int32_t xorig = 0, yorig = 0;
  std::vector<TBitmap32> frames;  // all the same size
  bool sepmasks = false;
  std::vector<TMask> masks;  // made by the runner's own mask code, so it reads them unchanged
};

struct RBackgroundSource {
  std::string name;
  TBitmap32 image;
};

// sprites/NAME.json with its frames; backgrounds/NAME.png with an optional NAME.json. A null
// name keeps an empty slot. Throws ProjectError; files in those folders that no name lists are
// faults too.
std::vector<std::optional<RSpriteSource>> ReadSprites(const std::filesystem::path& dir,
                                                      const std::vector<std::optional<std::string>>& names);
std::vector<std::optional<RBackgroundSource>> ReadBackgrounds(const std::filesystem::path& dir,
                                                              const std::vector<std::optional<std::string>>& names);

void WriteSpriteChunk(CStream& c, const std::vector<std::optional<RSpriteSource>>& sprites);
void WriteBackgroundChunk(CStream& c, const std::vector<std::optional<RBackgroundSource>>& backgrounds);

}  // namespace gamebuild
