// Extension packages in a project: the faults of package.json files, each naming its file and
// key, so that the runner never meets a package it would misread.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/tools/gamebuild/GameFixture.h"

using namespace fixture;

namespace {

const std::string kGame =
    R"({"game_id": 7, "resources": {"rooms": ["rm_main"]}, "room_order": ["rm_main"], "extensions": ["one", "two"]})";
const std::string kTwo =
    R"({"files": [{"file": "b.kvs", "kind": "code", "functions": [{"name": "b_fn"}]}]})";

struct PackageFault {
  const char* what;
  const char* json;
  const char* file;
  const char* key;
  const char* message;
};
class PackageFaults : public ::testing::TestWithParam<PackageFault> {};

TEST_P(PackageFaults, NameThePackageFileAndKey) {
  Project project({{"game.json", kGame},
                   {"extensions/one/package.json", GetParam().json},
                   {"extensions/one/a.kvs", "#define a_fn\r\nreturn 1;"},
                   {"extensions/one/wide.kvs", "#define a_fn\r\nreturn \"\xE2\x82\xAC\";"},
                   {"extensions/one/lib.so", "bytes"},
                   {"extensions/one/sub/keep", ""},
                   {"extensions/two/package.json", kTwo},
                   {"extensions/two/b.kvs", "#define b_fn\r\nreturn 2;"}});
  try {
    project.BuildBytes();
    FAIL() << "no error";
  } catch (const gamebuild::ProjectError& e) {
    EXPECT_EQ(e.File(), GetParam().file);
    EXPECT_EQ(e.Key(), GetParam().key);
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).find("json.exception"), std::string::npos) << e.what();
  }
}

constexpr const char* kOne = "extensions/one/package.json";
INSTANTIATE_TEST_SUITE_P(
    Table, PackageFaults,
    ::testing::Values(
        PackageFault{"kind", R"({"files": [{"file": "a.kvs", "kind": "exe"}]})", kOne, "files[0].kind",
                     "expected dll, code, nodata or other"},
        PackageFault{"missing", R"({"files": [{"file": "none.so", "kind": "dll"}]})", kOne, "files[0].file",
                     "file not found: none.so"},
        PackageFault{"escape", R"({"files": [{"file": "../a.kvs", "kind": "code"}]})", kOne, "files[0].file",
                     "without \"..\""},
        PackageFault{"folder", R"({"folder": "/abs", "files": []})", kOne, "folder", "without \"..\""},
        PackageFault{"strings", R"({"files": [{"file": "lib.so", "kind": "dll", "functions": [{"name": "f",
                        "args": ["real", "real", "real", "real", "string"]}]}]})",
                     kOne, "files[0].functions[0].args[4]", "more than 4 arguments cannot have string arguments"},
        PackageFault{"many", R"({"files": [{"file": "lib.so", "kind": "dll", "functions": [{"name": "f",
                        "args": ["real","real","real","real","real","real","real","real","real","real","real","real",
                                 "real","real","real","real","real"]}]}]})",
                     kOne, "files[0].functions[0].args", "at most 16 arguments"},
        PackageFault{"same id", R"({"files": [{"file": "lib.so", "kind": "dll", "functions": [{"name": "f", "id": 5},
                        {"name": "g", "id": 5}]}]})",
                     kOne, "files[0].functions[1].id", "id 5 is taken by \"f\""},
        PackageFault{"same name", R"({"files": [{"file": "a.kvs", "kind": "code", "functions": [{"name": "b_fn"}]}]})",
                     "extensions/two/package.json", "files[0].functions[0].name", "duplicate function \"b_fn\""},
        PackageFault{"init", R"({"files": [{"file": "a.kvs", "kind": "code", "init": "nope", "functions": [{"name": "a_fn"}]}]})",
                     kOne, "files[0].init", "not a function of this file: \"nope\""},
        PackageFault{"latin1", R"({"files": [{"file": "wide.kvs", "kind": "code"}]})", kOne, "files[0].file",
                     "game code must be Latin-1 text"},
        PackageFault{"convention", R"({"files": [{"file": "lib.so", "kind": "dll", "functions": [{"name": "f",
                        "convention": "pascal"}]}]})",
                     kOne, "files[0].functions[0].convention", "expected stdcall or cdecl"},
        PackageFault{"key", R"({"files": [], "version": 2})", kOne, "version", "unknown key"},
        PackageFault{"folder as file", R"({"files": [{"file": "sub", "kind": "other"}]})", kOne, "files[0].file",
                     "a folder, not a file: sub"},
        PackageFault{"overflow", R"({"files": [{"file": "lib.so", "kind": "dll", "functions": [{"name": "f", "id": 1e400}]}]})",
                     kOne, "", "bad JSON: number overflow"}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& c : n)
        if (c == ' ') c = '_';
      return n;
    });

TEST(PackageProject, AMissingPackageFolderIsNamed) {
  Project project({{"game.json", kGame}, {"extensions/two/package.json", kTwo}, {"extensions/two/b.kvs", ""}});
  try {
    project.BuildBytes();
    FAIL() << "no error";
  } catch (const gamebuild::ProjectError& e) {
    EXPECT_EQ(e.File(), "extensions/one/package.json");
    EXPECT_NE(std::string(e.what()).find("file not found"), std::string::npos);
  }
}

// A package is read as every file a project names: a FIFO is refused, not waited on, and a link
// out of the project (the file or the package folder itself) copies nothing into the game.
TEST(PackageProject, FifoAndLinksOutAreRefused) {
  ScratchDir outside;
  WriteText(outside.path() / "lib.so", "someone's");
  WriteText(outside.path() / "package.json", R"({"files": [{"file": "lib.so", "kind": "dll"}]})");
  struct Row {
    const char* what;
    std::function<void(const fs::path&)> make;
    const char* key;
    const char* message;
  };
  const Row rows[] = {
      {"fifo data", [](const fs::path& p) { ASSERT_EQ(mkfifo((p / "extensions/one/lib.so").c_str(), 0600), 0); },
       "files[0].file", "not a regular file: lib.so"},
      {"fifo package", [](const fs::path& p) {
         fs::remove(p / "extensions/one/package.json");
         ASSERT_EQ(mkfifo((p / "extensions/one/package.json").c_str(), 0600), 0);
       },
       "", "not a regular file"},
      {"data link out", [&](const fs::path& p) { fs::create_symlink(outside.path() / "lib.so", p / "extensions/one/lib.so"); },
       "files[0].file", "leads outside the project folder: lib.so"},
      {"package folder link out",
       [&](const fs::path& p) {
         fs::remove_all(p / "extensions/one");
         fs::create_directory_symlink(outside.path(), p / "extensions/one");
       },
       "", "leads outside the project folder"},
  };
  for (const Row& r : rows) {
    Project project({{"game.json", kGame},
                     {"extensions/one/package.json", R"({"files": [{"file": "lib.so", "kind": "dll"}]})"},
                     {"extensions/two/package.json", kTwo},
                     {"extensions/two/b.kvs", "#define b_fn\r\nreturn 2;"}});
    r.make(project.path());
    try {
      project.BuildBytes();
      ADD_FAILURE() << r.what << ": built";
    } catch (const gamebuild::ProjectError& e) {
      EXPECT_EQ(e.File(), kOne) << r.what;
      EXPECT_EQ(e.Key(), r.key) << r.what;
      EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos) << r.what << ": " << e.what();
    }
  }
}

}  // namespace
