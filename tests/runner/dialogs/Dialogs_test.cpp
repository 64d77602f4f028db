// The dialogs' readers and stores: high-score entries and their registry store (also a
// hand-edited damaged one), the rich-text reader with damaged input, the message text rules,
// the character-set conversion and the text of local web pages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "runner/base/Option_Main.h"
#include "runner/code/Variable_Class.h"
#include "runner/dialogs/Dialog_Choosers.h"
#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Dialog_State.h"
#include "runner/dialogs/Run_Score.h"
#include "runner/dialogs/Runner_Splash.h"
#include "runner/dialogs/Support_Message.h"
#include "runner/dialogs/Support_Rtf.h"

namespace fs = std::filesystem;

namespace {

TEST(ScoreEntry, EncodesAsLettersAndDecodesBack) {
  struct Case {
    std::string name;
    int32_t score;
    int32_t gameId;
  } cases[] = {
      {"", 0, 0}, {"Ann", 100, 4242}, {"Zoë", -7, -1}, {std::string(300, 'x'), 2147483647, 255}, {"a|b", -2147483647 - 1, 77},
  };
  for (const Case& c : cases) {
    const std::string text = EncodeScoreEntry({c.name, c.score}, c.gameId);
    for (char ch : text) EXPECT_TRUE(ch >= 'A' && ch <= 'P') << text;
    const RScoreEntry back = DecodeScoreEntry(text, c.gameId);
    EXPECT_EQ(back.score, c.score);
    // Names longer than the entry form holds are cut to 240.
    EXPECT_EQ(back.name, c.name.size() > 240 ? std::string(240, 'x') : c.name);
  }
  // The score 0 with an empty name for game 0: bytes 1..16 shifted by their position.
  EXPECT_EQ(EncodeScoreEntry({"", 0}, 0), "ABACADAEAFAGAHAIAJAKALAMANAOAPBA");
  // The same entry is stored differently by another game.
  EXPECT_NE(EncodeScoreEntry({"Ann", 1}, 1), EncodeScoreEntry({"Ann", 1}, 2));
}

TEST(ScoreEntry, DamagedTextsDecodeWithinBounds) {
  const std::string cases[] = {"", "A", "ZZZZ", "abc", std::string(5000, 'P'), std::string(33, 'B'), "\x01\xFF\x80"};
  for (const std::string& text : cases) {
    const RScoreEntry e = DecodeScoreEntry(text, 4242);
    // At most 256 bytes are decoded: 240 name characters, each of at most two UTF-8 bytes.
    EXPECT_LE(e.name.size(), 2u * 240u) << text.size();
  }
}

class ScoreStore : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(TEST_BINARY_DIR) / "dialogs-store" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    SettingsState().gameId = 4242;
  }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
  fs::path Store() const { return dir_ / "korvex-runner" / "registry.reg"; }
  fs::path dir_;
};

TEST_F(ScoreStore, InsertsBelowEqualScoresAndKeepsTenRanks) {
  EXPECT_EQ(ReadScoreEntry(1).name, "<nobody>");
  EXPECT_FALSE(fs::exists(Store()));  // reading creates nothing
  ClearScores();
  InsertScore("Ann", 100);
  InsertScore("Bob", 100);
  InsertScore("Neg", -1);
  InsertScore("Zero", 0);  // needs a strictly higher score than a stored one
  EXPECT_EQ(ReadScoreEntry(1).name, "Ann");
  EXPECT_EQ(ReadScoreEntry(2).name, "Bob");
  EXPECT_EQ(ReadScoreEntry(3).name, "<nobody>");
  for (int i = 0; i < 12; ++i) InsertScore("P" + std::to_string(i), 200 + i);
  EXPECT_EQ(ReadScoreEntry(1).name, "P11");
  EXPECT_EQ(ReadScoreEntry(10).name, "P2");
  EXPECT_EQ(ReadScoreEntry(0).name, "<nobody>");
  EXPECT_EQ(ReadScoreEntry(11).score, 0);
}

TEST_F(ScoreStore, TheNobodyTextAndGamesOfTheirOwn) {
  // An entry never written shows the nobody text of the moment; one written keeps its own.
  DialogsState().score.nobody = "(empty)";
  EXPECT_EQ(ReadScoreEntry(4).name, "(empty)");
  InsertScore("Ann", 10);  // writes ranks 1..10, the moved ones with the text current then
  DialogsState().score.nobody = "(none)";
  EXPECT_EQ(ReadScoreEntry(1).name, "Ann");
  EXPECT_EQ(ReadScoreEntry(2).name, "(empty)");
  // Another game id has a table of its own.
  SettingsState().gameId = 4343;
  EXPECT_EQ(ReadScoreEntry(1).name, "(none)");
  InsertScore("Bob", 5);
  EXPECT_EQ(ReadScoreEntry(1).name, "Bob");
  SettingsState().gameId = 4242;
  EXPECT_EQ(ReadScoreEntry(1).name, "Ann");
  EXPECT_EQ(ReadScoreEntry(1).score, 10);
}

TEST_F(ScoreStore, AHandEditedDamagedStoreIsSetAsideNotOverwritten) {
  fs::create_directories(Store().parent_path());
  const std::string garbage = "this is [not a store\n\"Rank1\"=\n\x01\x02";
  std::ofstream(Store(), std::ios::binary) << garbage;
  EXPECT_EQ(ReadScoreEntry(1).name, "<nobody>");
  InsertScore("Ann", 5);
  EXPECT_EQ(ReadScoreEntry(1).name, "Ann");
  bool kept = false;
  for (const auto& e : fs::directory_iterator(Store().parent_path())) {
    std::ifstream f(e.path(), std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (content == garbage) kept = true;
  }
  EXPECT_TRUE(kept) << "the damaged store was lost";
}

TEST_F(ScoreStore, AnEntryOfDamagedLettersReadsWithoutHarm) {
  fs::create_directories(Store().parent_path());
  std::ofstream(Store(), std::ios::binary) << "Korvex Registry Store 1\n\n[HKEY_CURRENT_USER\\Software\\Korvex\\Scores\\4242]\n"
                                              "\"Rank1\"=\"zz\"\n\"Rank2\"=\"" + std::string(2000, 'Q') + "\"\n";
  EXPECT_EQ(ReadScoreEntry(1).name, "");
  EXPECT_LE(ReadScoreEntry(2).name.size(), 480u);
  EXPECT_EQ(ReadScoreEntry(3).name, "<nobody>");
}

TEST(Rtf, ReadsTextAndSurvivesDamage) {
  struct Case {
    std::string rtf, text;
  } cases[] = {
      {"plain text, {no} rtf\\par", "plain text, {no} rtf\\par"},
      {"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1;}\\f0 Hello\\par World}", "Hello\nWorld"},
      {"{\\rtf1 a\\tab b\\line c\\{\\}\\\\}", "a\tb\nc{}\\"},
      {"{\\rtf1\\ansicpg1251 \\'e0\\'e1}", "аб"},
      {"{\\rtf1 caf\\'e9 \\u8364? \\uc2\\u8364xx!}", "café € €!"},
      {"{\\rtf1 a{\\*\\generator Ignored;}b{\\pict 0123}c}", "abc"},
      // Damage: unbalanced braces, a cut escape, a huge binary run, unknown words.
      {"{\\rtf1 a}}}b{", "ab"},
      {"{\\rtf1 x\\'4", "x"},
      {"{\\rtf1 x\\'zz y", "xzz y"},
      {"{\\rtf1 x\\bin999999999 abc", "x"},
      {"{\\rtf1 \\unknownword123 ok\\", "ok"},
      // Units out of the 16-bit range and halves of surrogate pairs are no characters.
      {"{\\rtf1 \\u-991999?\\u-10179?\\u70000?\\u-32703?}", "\uFFFD\uFFFD\uFFFD\u8041"},
  };
  for (const Case& c : cases) EXPECT_EQ(RtfToText(c.rtf), c.text) << c.rtf;
  // Deep nesting is read without recursion, and the text after it still shows.
  std::string deep = "{\\rtf1 ";
  deep += std::string(100000, '{') + "in" + std::string(100000, '}') + " out}";
  EXPECT_EQ(RtfToText(deep), " out");
}

// The styled runs of a document in one line: per paragraph its alignment, per run its face,
// size, colour (hex BGR), flags (b, i, u) and text.
std::string Runs(const RRtfDocument& doc) {
  std::string out;
  for (const RRtfParagraph& p : doc.paragraphs) {
    out += "[" + std::to_string(p.align) + "]";
    for (const RRtfRun& r : p.runs) {
      char color[16];
      std::snprintf(color, sizeof color, "%06X", static_cast<unsigned>(r.style.color));
      out += "(" + r.style.font + " " + std::to_string(r.style.size) + " " + color + (r.style.bold ? " b" : "") +
             (r.style.italic ? " i" : "") + (r.style.underline ? " u" : "") + ")" + dialog::ToUtf8(r.text);
    }
  }
  return out;
}

TEST(Rtf, ReadsStyledRunsAndParagraphs) {
  const RRtfStyle base{"Arial", 12, 0x123456};
  struct Case {
    std::string rtf, runs;
  } cases[] = {
      {"{\\rtf1 a\\b b\\b0\\i c\\i0\\ul d\\ulnone e\\b\\i\\ul0 f}",
       "[0](Arial 12 123456)a(Arial 12 123456 b)b(Arial 12 123456 i)c(Arial 12 123456 u)d(Arial 12 123456)e"
       "(Arial 12 123456 b i)f"},
      // Colours through the table: entry 0 is automatic, unknown entries too; sizes in half points.
      {"{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\cf1 r\\cf2 b\\cf0 a\\cf9 x\\fs40 y\\fs1 z}",
       "[0](Arial 12 0000FF)r(Arial 12 FF0000)b(Arial 12 123456)ax(Arial 20 123456)y(Arial 1 123456)z"},
      // Fonts through the table, a font's character set decoding its bytes; \plain goes back.
      {"{\\rtf1\\ansicpg1252{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcharset204{\\*\\panose 0}Courier New;}}"
       "\\f1\\b \\'e0\\f0 \\'e0\\plain p}",
       "[0](Courier New 12 123456 b)а(Arial 12 123456 b)à(Arial 12 123456)p"},
      // Groups restore the style; paragraphs carry their alignment; the last mark adds nothing.
      {"{\\rtf1 {\\b a}b\\par\\qc c\\par\\pard\\qr d\\line e\\par}",
       "[0](Arial 12 123456 b)a(Arial 12 123456)b[1](Arial 12 123456)c[2](Arial 12 123456)d\ne"},
      {"plain\r\nlines\nhere", "[0](Arial 12 123456)plain[0](Arial 12 123456)lines[0](Arial 12 123456)here"},
      // Damage: tables without ends, huge numbers, a font number never defined.
      {"{\\rtf1{\\colortbl;\\red99999999\\green-5;", "[0]"},
      {"{\\rtf1{\\fonttbl{\\f0 A;}\\f99999999999 x\\cf-3 y\\fs-99999999999 z",
       "[0]"},
      {"{\\rtf1 \\f7\\fs99999999999 big", "[0](Arial 144 123456)big"},
  };
  for (const Case& c : cases) EXPECT_EQ(Runs(ReadRtf(c.rtf, base)), c.runs) << c.rtf;
  // Past the cap of the font table, new entries are read past, never kept.
  std::string many = "{\\rtf1{\\fonttbl";
  for (int i = 0; i < 2000; ++i) many += "{\\f" + std::to_string(i) + " F" + std::to_string(i) + ";}";
  many += "}\\f255 a\\f256 b\\f1999 c}";
  EXPECT_EQ(Runs(ReadRtf(many, base)), "[0](F255 12 123456)abc");
}

TEST(WebPage, TextWithoutTagsOnItsLines) {
  struct Case {
    std::string html, text;
  } cases[] = {
      {"<html><head><title>T</title><style>p{}</style><script>x<y</script></head><body><h1>A page</h1>"
       "<p>Its   text,\n  on<br>lines</p></body></html>",
       "A page\nIts text, on\nlines"},
      {"&amp; &lt;b&gt; &quot;q&quot; &#65;&#x42;&#X63; &#0; &#xD800; &#1114112; &unknown; &#12", "& <b> \"q\" ABc \uFFFD \uFFFD \uFFFD &unknown; &#12"},
      {"<SCRIPT>hidden</Script>shown<STYLE>also hidden", "shown"},
      {"a<b", "a"},
      {"<p><p><div>x</div></p>", "x"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(WebPageText(c.html), c.text) << c.html;
  // Many scripts in a large page: each is skipped once, the text between them kept.
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "<script>s</script>t";
  EXPECT_EQ(WebPageText(many), std::string(100000, 't'));
}

TEST(MessageText, NumbersAndLineBreaks) {
  struct Case {
    RValue v;
    std::string text;
  } cases[] = {
      {RValue(3.14159), "3.14"}, {RValue(7.0), "7"}, {RValue(-2.5), "-2.50"},
      {RValue(std::string_view("a#b")), "a\rb"}, {RValue(std::string_view("a\\#b")), "a#b"},
  };
  for (const Case& c : cases) EXPECT_EQ(PrepareMessageText(c.v), c.text);
}

TEST(MessageText, CharacterSets) {
  // The low byte of each character, read in the set's code page.
  EXPECT_EQ(dialog::ToUtf8(DecodeForCharset("\xC3\xA0", 204)), "а");  // U+00E0 is byte E0: Cyrillic a
  EXPECT_EQ(dialog::ToUtf8(DecodeForCharset("\xC3\xA9", 0)), "é");
  EXPECT_EQ(dialog::ToUtf8(DecodeForCharset("abc", 128)), "abc");
  // A byte that is no UTF-8 (as chr(224) makes) is the character of that code.
  EXPECT_EQ(dialog::ToUtf8(DecodeForCharset("\xE0\xE1 \xC3\xA2\xE2", 204)), "аб вв");
  EXPECT_EQ(dialog::ToUtf8(DecodeForCharset("\xE9t\xE9", 0)), "été");
  // And back: typed text becomes one character per byte of the code page.
  EXPECT_EQ(EncodeForCharset(U"а", 204), "\xC3\xA0");
  for (int32_t set : {0, 128, 129, 130, 134, 136, 161, 162, 163, 177, 178, 186, 204, 222, 238})
    EXPECT_NE(CharsetCodePage(set), nullptr) << set;
  EXPECT_EQ(CharsetCodePage(77), nullptr);
}

TEST(FileFilter, PairsAndCaseInsensitiveMatching) {
  const auto pairs = ParseFileFilter("Text|*.txt;*.log|All|*.*");
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].first, "Text");
  EXPECT_TRUE(MatchesFilter(pairs[0].second, "A.TXT"));
  EXPECT_TRUE(MatchesFilter(pairs[0].second, "b.log"));
  EXPECT_FALSE(MatchesFilter(pairs[0].second, "c.png"));
  EXPECT_TRUE(MatchesFilter(pairs[1].second, "anything"));
  EXPECT_EQ(MenuItems("a|-|b"), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
