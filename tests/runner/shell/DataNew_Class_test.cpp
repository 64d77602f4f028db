// Included files on their own: export rules, secure mode, and names from game data that try
// to leave their target folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "runner/functions/DataNew_Class.h"
#include "runner/shell/Runner.h"

namespace fs = std::filesystem;

namespace {

class Scratch {
 public:
  Scratch() {
    std::string tmpl = (fs::temp_directory_path() / "datafile_test_XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
    old_ = fs::current_path();
    fs::create_directory(path_ / "game");
    fs::current_path(path_ / "game");
  }
  ~Scratch() {
    fs::current_path(old_);
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
  fs::path old_;
};

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

CDataFile File(const std::string& name, int32_t kind, const std::string& content = "data") {
  CDataFile f;
  f.s_filename = name;
  f.s_exists = true;
  f.s_store = true;
  f.s_data = CStream(std::vector<uint8_t>(content.begin(), content.end()));
  f.s_exportaction = kind;
  return f;
}

struct Messages {
  std::vector<std::string> list;
  Messages() {
    SetDataFileErrorHandler([this](std::string_view m) { list.emplace_back(m); });
  }
  ~Messages() { SetDataFileErrorHandler(nullptr); }
};

TEST(DataFile, ConfinedNames) {
  const std::pair<std::string, bool> rows[] = {
      {"a.txt", true},       {"dir/a.txt", true},      {"dir\\a.txt", true},   {"..a", true},
      {"a..b/c", true},      {"./a", true},            {"../a", false},        {"a/../../b", false},
      {"..\\a", false},      {"a\\..", false},         {"/etc/passwd", false}, {"\\a", false},
      {"C:\\a", false},      {"c:a", false},           {"", false},            {"a/", false},
      {std::string("a\0b", 3), false},
  };
  for (const auto& [name, ok] : rows) EXPECT_EQ(IsConfinedName(name), ok) << name;
  EXPECT_EQ(NormaliseGamePath("a\\\\b//c\\d"), "a/b/c/d");
}

TEST(DataFile, ExportRules) {
  Scratch s;
  Messages m;
  // Not stored but existing: an empty file.
  CDataFile empty = File("empty.txt", kExportGame);
  empty.s_store = false;
  empty.s_data.Clear();
  EXPECT_TRUE(empty.Prepare(false));
  EXPECT_TRUE(fs::exists("empty.txt"));
  EXPECT_EQ(fs::file_size("empty.txt"), 0u);

  // No overwrite: the existing file stays, and the freed content cannot be exported again.
  std::ofstream("keep.txt") << "old";
  CDataFile keep = File("keep.txt", kExportGame);
  EXPECT_FALSE(keep.Prepare(false));
  EXPECT_EQ(Read("keep.txt"), "old");
  EXPECT_FALSE(keep.s_exists);
  EXPECT_FALSE(keep.Prepare(false));

  CDataFile over = File("keep.txt", kExportGame, "new");
  over.s_overwrite = true;
  EXPECT_TRUE(over.Prepare(false));
  EXPECT_EQ(Read("keep.txt"), "new");

  // Backslashes are folder separators on the way to the file system.
  fs::create_directory(GetTempDirectory() + "/sub");
  CDataFile sub = File("sub\\t.txt", kExportTemp, "in temp");
  EXPECT_TRUE(sub.Prepare(false));
  EXPECT_EQ(Read(GetTempDirectory() + "/sub/t.txt"), "in temp");
  EXPECT_TRUE(sub.Remove(false));
  EXPECT_FALSE(fs::exists(GetTempDirectory() + "/sub/t.txt"));

  CDataFile none = File("none.txt", kExportNone);
  EXPECT_TRUE(none.Prepare(false));
  EXPECT_TRUE(none.s_exists);  // nothing exported, nothing freed
  EXPECT_FALSE(fs::exists("none.txt"));
  EXPECT_TRUE(m.list.empty());
}

TEST(DataFile, SecureMode) {
  Scratch s;
  Messages m;
  CDataFile path = File("dir/a.txt", kExportGame);
  fs::create_directory("dir");
  EXPECT_FALSE(path.Prepare(true));
  EXPECT_FALSE(fs::exists("dir/a.txt"));
  EXPECT_TRUE(path.s_exists);  // refused before the export: content kept

  CDataFile toDir = File("b.txt", kExportDir);
  toDir.s_exportdir = (s.path() / "out").string();
  EXPECT_FALSE(toDir.Prepare(true));
  EXPECT_FALSE(fs::exists(s.path() / "out"));
  EXPECT_FALSE(toDir.s_exists);  // freed all the same
  EXPECT_EQ(m.list, (std::vector<std::string>{"In secure mode you cannot export a data file to dir/a.txt",
                                              "In secure mode you cannot export a data file to an indicated directory."}));

  // Exported outside secure mode, kept at the end in secure mode.
  CDataFile later = File("dir/a.txt", kExportGame);
  EXPECT_TRUE(later.Prepare(false));
  EXPECT_FALSE(later.Remove(true));
  EXPECT_TRUE(fs::exists("dir/a.txt"));
  EXPECT_TRUE(later.Remove(false));
  EXPECT_FALSE(fs::exists("dir/a.txt"));
}

// Files the player owns: one that stopped the export survives the end of the game, and the
// export never writes through a name of its own choosing beside the target.
TEST(DataFile, PlayersFilesSurvive) {
  Scratch s;
  Messages m;
  std::ofstream("mine.txt") << "player's";
  CDataFile blocked = File("mine.txt", kExportGame, "game's");
  EXPECT_FALSE(blocked.Prepare(false));
  EXPECT_FALSE(blocked.Remove(false));
  EXPECT_EQ(Read("mine.txt"), "player's");

  // Side names an export might have used: all untouched, and nothing else left behind.
  const char* sides[] = {"out.txt.part", "out.txt.tmp", "out.txt~", ".out.txt.new"};
  for (const char* side : sides) std::ofstream(side) << "keep " << side;
  CDataFile exported = File("out.txt", kExportGame, "game's");
  ASSERT_TRUE(exported.Prepare(false));
  EXPECT_EQ(Read("out.txt"), "game's");
  for (const char* side : sides) EXPECT_EQ(Read(side), std::string("keep ") + side);
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2 + std::ssize(sides));
  EXPECT_TRUE(exported.Remove(false));
  EXPECT_FALSE(fs::exists("out.txt"));
  EXPECT_FALSE(exported.Remove(false));  // removed once, never again
  EXPECT_TRUE(m.list.empty());
}

// Names from game data never write or delete outside their target folder.
TEST(DataFile, EscapingNamesAreRefused) {
  Scratch s;
  Messages m;
  std::ofstream(s.path() / "victim.txt") << "mine";
  for (const char* name : {"../victim.txt", "..\\victim.txt", "sub/../../victim.txt"}) {
    for (int32_t kind : {kExportTemp, kExportGame, kExportDir}) {
      CDataFile f = File(name, kind, "overwritten");
      f.s_overwrite = true;
      f.s_exportdir = (s.path() / "game").string();
      EXPECT_FALSE(f.Prepare(false)) << name << " kind " << kind;
      f.s_exists = true;
      EXPECT_FALSE(f.Remove(false)) << name << " kind " << kind;
    }
  }
  CDataFile absolute = File((s.path() / "victim.txt").string(), kExportGame, "overwritten");
  absolute.s_overwrite = true;
  EXPECT_FALSE(absolute.Prepare(false));
  EXPECT_FALSE(absolute.Remove(false));
  EXPECT_EQ(Read(s.path() / "victim.txt"), "mine");
  EXPECT_TRUE(m.list.empty());
}

TEST(DataFile, RecordLayout) {
  CStream s;
  s.WriteInteger(800);
  s.WriteString("a.txt");
  s.WriteString("C:\\a.txt");
  s.WriteBoolean(true);
  s.WriteInteger(3);
  s.WriteBoolean(false);  // not stored: no content block follows
  s.WriteInteger(kExportDir);
  s.WriteString("out");
  s.WriteBoolean(true);
  s.WriteBoolean(false);
  s.WriteBoolean(false);
  s.SetPosition(0);
  CDataFile f;
  ASSERT_TRUE(f.LoadFromStream(s));
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  EXPECT_EQ(f.s_origname, "C:\\a.txt");
  EXPECT_EQ(f.s_size, 3);
  EXPECT_EQ(f.s_exportaction, kExportDir);
  EXPECT_EQ(f.s_exportdir, "out");
  EXPECT_TRUE(f.s_overwrite);
  EXPECT_FALSE(f.s_freedata);
  EXPECT_FALSE(f.s_removeend);

  CStream bad;
  bad.WriteInteger(801);
  bad.SetPosition(0);
  EXPECT_FALSE(f.LoadFromStream(bad));
  CDataFile fresh;
  EXPECT_EQ(fresh.s_exportaction, kExportGame);
  EXPECT_TRUE(fresh.s_freedata);
  EXPECT_TRUE(fresh.s_removeend);
}

}  // namespace
