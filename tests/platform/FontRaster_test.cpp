// Which family names count as found and which get a stand-in: the runner tells the player of
// the stand-ins only, so an alias the font configuration keeps (Arial's metric twin) is found.
#include "platform/fonts/FontRaster.h"

#include <gtest/gtest.h>

namespace {

TEST(FontFaces, AFamilyNotInstalledNamesItsStandIn) {
  const std::pair<const char*, bool> rows[] = {
      {"DejaVu Sans", false},
      {"dejavu sans", false},
      {"Arial", false},  // Liberation Sans is installed as its metric-compatible twin
      {"Qzxv Nonesuch Grotesk", true},
  };
  for (const auto& [name, standIn] : rows) {
    auto face = platform::fonts::OpenFontFace(name, 12, false, false, 1);
    ASSERT_NE(face, nullptr) << name;
    EXPECT_EQ(!face->StandIn().empty(), standIn) << name << " -> " << face->StandIn();
  }
}

}  // namespace
