// The system-sound library: its reading of the argument and its table of sounds, then the
// library itself loaded and called as a game calls it, through the external-function table.
// Tests run with libcanberra's null driver, so nothing is heard.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "runner/extensions/Support_DLL.h"
#include "tonelet/Tonelet_Sounds.h"

namespace {

TEST(Tonelet, ReadsTheNumberAsTheSystemDoes) {
  const struct {
    const char* text;
    int number;
  } rows[] = {
      {"3", 3},   {" 3", 3},  {"\t+3", 3},   {"3abc", 3}, {"0", 0},           {"7", 7},  {"-1", -1},
      {"", 0},    {"abc", 0}, {nullptr, 0},  {"+", 0},    {" - 4", 0},        {"\n3", 0}, {"06", 6},
      {"99999999999999999999", 9999999},  // stops growing, never overflows
  };
  for (const auto& row : rows) EXPECT_EQ(ToneletNumber(row.text), row.number) << (row.text ? row.text : "null");
}

TEST(Tonelet, PlaysOnlyTheSixSystemSounds) {
  EXPECT_EQ(ToneletEventId(0), nullptr);
  EXPECT_EQ(ToneletEventId(7), nullptr);
  EXPECT_EQ(ToneletEventId(-1), nullptr);
  EXPECT_STREQ(ToneletEventId(1), "dialog-information");
  EXPECT_STREQ(ToneletEventId(3), "service-logout");
  EXPECT_STREQ(ToneletEventId(6), "service-login");
}

TEST(Tonelet, TheLibraryReturnsZeroAtOnceForEveryText) {
  setenv("CANBERRA_DRIVER", "null", 1);
  CExternalTable table;
  const int32_t text[1] = {kExternalString};
  // As a game names it: "Tonelet.dll", the standard calling convention, a string, a real.
  const int32_t play = table.Define("Tonelet.dll", TONELET_LIB, "PlayTonelet", kExternalStdcall, 0, text, 1);
  ASSERT_GE(play, 0);
  for (const char* arg : {"3", " 3", "\t+3", "3abc", "0", "7", "-1", "", "abc", "1", "1"}) {
    RValue argv[1] = {RValue(std::string_view(arg))};
    RValue result(99.0);
    ASSERT_TRUE(table.Call(play, argv, 1, result)) << arg;
    EXPECT_TRUE(result.IsReal());
    EXPECT_EQ(result.val(), 0.0) << arg;
  }
}

}  // namespace
