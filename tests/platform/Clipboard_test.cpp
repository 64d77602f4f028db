// The headless clipboard, which games and tests get without SDL video: it starts empty, keeps
// text up to its first NUL, and an empty text still counts as text.
#include <gtest/gtest.h>

#include <string>

#include "platform/clipboard/Clipboard.h"

TEST(Clipboard, HeadlessKeepsTextLikeTheSystemClipboard) {
  auto clipboard = platform::MakeHeadlessClipboard();
  EXPECT_FALSE(clipboard->HasText());
  EXPECT_EQ(clipboard->Text(), "");

  struct Case {
    std::string set, expected;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"two\r\nlines \xC3\xA9", "two\r\nlines \xC3\xA9"},
      {std::string("cut\0here", 8), "cut"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(clipboard->SetText(c.set));
    EXPECT_TRUE(clipboard->HasText());
    EXPECT_EQ(clipboard->Text(), c.expected);
  }
}
