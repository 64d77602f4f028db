// Extension packages in a project: the faults of package.json files, each naming its file and
// key, so that the runner never meets a package it would misread.
#include <gtest/gtest.h>

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
                   {"extensions/two/package.json", kTwo},
                   {"extensions/two/b.kvs", "#define b_fn\r\nreturn 2;"}});
  try {
    project.BuildBytes();
    FAIL() << "no error";
  } catch (const gamebuild::ProjectError& e) {
    EXPECT_EQ(e.File(), GetParam().file);
    EXPECT_EQ(e.Key(), GetParam().key);
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
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
        PackageFault{"key", R"({"files": [], "version": 2})", kOne, "version", "unknown key"}),
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

}  // namespace
