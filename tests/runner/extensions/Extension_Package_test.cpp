// Extension packages read from their chunk: game-code sections, the argument types forced to
// reals past four arguments, names from the data confined to the package's folder, damaged
// chunks, preparation and the initialisation calls, and secure mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/base/Support_Stream.h"
#include "runner/code/Code_Constant.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/extensions/Extension_Main.h"
#include "runner/extensions/Function_External.h"
#include "runner/functions/Function_Families.h"
#include "runner/run/Instance_Class.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::pair<std::string, bool>> g_errors;
void Capture(std::string_view m, bool fatal) { g_errors.emplace_back(std::string(m), fatal); }

struct Fn {
  std::string name, ext;
  int32_t id, argcount;
  int32_t argtype = 2, returns = 2;
};
struct File {
  std::string name;
  int32_t kind;
  std::string init;
  std::vector<Fn> functions;
  std::string data;
  int32_t version = 700;
};

// One package chunk as the game data holds it.
CStream Chunk(const std::string& folder, const std::vector<File>& files, int32_t package_version = 700) {
  CStream c;
  c.WriteInteger(700);
  c.WriteInteger(1);
  c.WriteInteger(package_version);
  c.WriteString("pkg");
  c.WriteString(folder);
  c.WriteInteger(static_cast<int32_t>(files.size()));
  for (const File& f : files) {
    c.WriteInteger(f.version);
    if (f.version != 700) continue;
    c.WriteString(f.name);
    c.WriteInteger(f.kind);
    c.WriteString(f.init);
    c.WriteString("");
    c.WriteInteger(static_cast<int32_t>(f.functions.size()));
    for (const Fn& fn : f.functions) {
      c.WriteInteger(700);
      c.WriteString(" " + fn.name + " ");  // names are trimmed
      c.WriteString(fn.ext);
      c.WriteInteger(12);
      c.WriteInteger(fn.id);
      c.WriteInteger(fn.argcount);
      for (int i = 0; i < 17; ++i) c.WriteInteger(fn.argtype);
      c.WriteInteger(fn.returns);
    }
    c.WriteInteger(1);
    c.WriteInteger(700);
    c.WriteString("PKG_" + std::to_string(f.kind));
    c.WriteString("40 + " + std::to_string(f.kind));
  }
  CStream data;
  data.WriteInteger(1234);
  for (const File& f : files) {
    if (f.version == 700 && f.kind == 3) continue;  // a file of another version has kind 0: a block
    CStream block;
    block.WriteBuffer(f.data.data(), static_cast<int32_t>(f.data.size()));
    data.WriteStreamC(block);
  }
  if (data.GetSize() > 5) data.Encrypt(1234, 5, 0);
  c.WriteStream(data);
  c.SetPosition(0);
  return c;
}

std::string LibraryBytes() {
  std::ifstream in(EXT_TEST_LIB, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class Packages : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<FunctionFamily> families = AllFunctionFamilies();
    families.push_back(ExternalFunctions());
    InitFunctions(families);
    StartExtensions();
    SetErrorSink(Capture);
    g_errors.clear();
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetSecureMode(false);
  }
  RValue CallByName(const std::string& name, std::vector<RValue> args) {
    const int32_t id = FindExtensionFunction(name);
    EXPECT_GE(id, 0) << name;
    RValue result;
    CInstance self(0, 0, 0, 0);
    if (!CallExtension(id, &self, &self, result, args.data(), static_cast<int32_t>(args.size())))
      result = RValue(std::string_view("failed: " + CodeError().message));
    ClearCodeError();
    return result;
  }
};

TEST(PackageCode, SectionsAreCutAtDefineLines) {
  const struct {
    const char* bytes;
    const char* a;
    const char* b;
  } rows[] = {
      {"#define a\r\nx = 1;\r\ny = 2;\r\n#define b\r\nz = 3;", "x = 1;\r\ny = 2;", "z = 3;"},
      {"ignored\r#define  a  \rone\rtwo\r#define b\r", "one\r\ntwo", ""},
      {"#define a\n x\n#define b\n", "", ""},  // line feeds alone end no line: one line in all
      {"#define a\r\xE9t\xE9", "\xC3\xA9t\xC3\xA9", ""},  // one byte, one character
      {"#define b\r#define a\rlast", "last", ""},
  };
  for (const auto& row : rows) {
    std::vector<CExtensionFunction> fns(2);
    fns[0].s_extname = "a";
    fns[1].s_extname = "b";
    AssignGameCodeSections(row.bytes, fns);
    EXPECT_EQ(fns[0].s_script, row.a) << row.bytes;
    EXPECT_EQ(fns[1].s_script, row.b) << row.bytes;
  }
}

TEST_F(Packages, LibraryAndCodeFunctionsAreCallableByName) {
  CStream chunk = Chunk("pkgfolder", {
      {"exttest.so", 1, "", {{"pk_add", "ext_add", 0, 2}, {"pk_sum8", "ext_sum8", 3, 8, 1}, {"pk_concat", "ext_concat", 4, 2, 1, 1}}, LibraryBytes()},
      {"code.kvs", 2, "", {{"pk_twice", "", 7, -1}, {"pk_bad", "", 8, 1}}, "#define pk_twice\r\nreturn argument0 * 2 + argument_count;\r\n#define pk_bad\r\nreturn argument0 + nothing_here;"},
      {"notes.txt", 3, "", {}, ""},
      {"old", 1, "", {}, "", 600},  // another version: an empty file, loading goes on
  });
  ASSERT_TRUE(LoadExtensionPackages(chunk));
  ASSERT_TRUE(PrepareExtensionPackages());
  EXPECT_TRUE(fs::exists(fs::path(GetTempDirectory()) / "pkgfolder" / "exttest.so"));
  RValue seven;
  ASSERT_TRUE(FindConstant("PKG_2", seven));
  EXPECT_EQ(seven.val(), 42.0);

  EXPECT_EQ(CallByName("pk_add", {RValue(1.0), RValue(2.5)}).val(), 3.5);
  // Declared as eight strings: past four arguments every type is real.
  std::vector<RValue> ones(8, RValue(1.0));
  EXPECT_EQ(CallByName("pk_sum8", ones).val(), 36.0);
  EXPECT_EQ(CallByName("pk_concat", {RValue(std::string_view("a")), RValue(std::string_view("b"))}).str(), "ab");
  const RValue twice = CallByName("pk_twice", {RValue(20.0), RValue(0.0)});
  EXPECT_EQ(twice.val(), 42.0) << twice.str();
  const std::string failed = std::string(CallByName("pk_bad", {RValue(1.0)}).str());
  EXPECT_EQ(failed.rfind("failed: In extension function pk_bad:\r", 0), 0u) << failed;
  EXPECT_EQ(ExtensionFunctionArgCount(7), -1);
  EXPECT_EQ(ExtensionFunctionArgCount(5), kNoFunction);
  EXPECT_EQ(ExtensionFunctionName(4), "pk_concat");
  RValue r;
  EXPECT_FALSE(CallExtension(99, nullptr, nullptr, r, nullptr, 0));  // no such id: no message
  EXPECT_EQ(CodeError().message, "");
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(Packages, DamagedOrHostileChunksFailToLoad) {
  const std::string tmp = GetTempDirectory();
  const struct {
    const char* what;
    CStream chunk;
  } rows[] = {
      {"folder outside", Chunk("../escape", {{"x.so", 4, "", {}, "data"}})},
      {"absolute folder", Chunk("/tmp", {{"x.so", 4, "", {}, "data"}})},
      {"file outside", Chunk("ok", {{"..\\..\\x.so", 4, "", {}, "data"}})},
      {"package version", Chunk("ok", {}, 699)},
      {"id past the limit", Chunk("ok", {{"c", 2, "", {{"f", "", 1 << 30, 0}}, ""}})},
      {"negative id", Chunk("ok", {{"c", 2, "", {{"f", "", -1, 0}}, ""}})},
  };
  for (const auto& row : rows) {
    CStream c = row.chunk;
    bool loaded = true;
    try {
      loaded = LoadExtensionPackages(c);
    } catch (const StreamError&) {
      loaded = false;
    }
    EXPECT_FALSE(loaded) << row.what;
  }
  EXPECT_FALSE(fs::exists(fs::path(tmp).parent_path() / "escape"));
  // A count the data cannot hold, and a cut chunk, are damage rather than allocations.
  CStream huge;
  huge.WriteInteger(700);
  huge.WriteInteger(0x7FFFFFFF);
  huge.SetPosition(0);
  EXPECT_FALSE(LoadExtensionPackages(huge));
  CStream good = Chunk("ok", {{"c", 2, "", {{"f", "", 0, 0}}, "#define f\rreturn 1;"}});
  CStream cut;
  cut.WriteBuffer(good.Data(), good.GetSize() - 3);
  cut.SetPosition(0);
  EXPECT_THROW(LoadExtensionPackages(cut), StreamError);
}

TEST_F(Packages, PreparationAndStartReportTheirFailures) {
  CStream bad = Chunk("ok", {{"c", 2, "", {{"f", "", 0, 0}}, "#define f\rx = = 1;"}});
  ASSERT_TRUE(LoadExtensionPackages(bad));
  EXPECT_FALSE(PrepareExtensionPackages());
  ASSERT_EQ(g_errors.size(), 1u);
  EXPECT_EQ(g_errors[0].first.rfind("COMPILATION ERROR in extension package pkg\r", 0), 0u) << g_errors[0].first;
  EXPECT_TRUE(g_errors[0].second);

  g_errors.clear();
  CStream missing = Chunk("ok", {{"c", 2, "nope", {{"f", "", 0, 0}}, "#define f\rreturn 1;"}});
  ASSERT_TRUE(LoadExtensionPackages(missing));
  ASSERT_TRUE(PrepareExtensionPackages());
  EXPECT_FALSE(InitializeExtensionPackages());
  EXPECT_EQ(g_errors, (std::vector<std::pair<std::string, bool>>{{"Could not locate initialization function nope", true}}));
}

TEST_F(Packages, SecureModeOpensNoLibraryAndRefusesEveryCall) {
  SetSecureMode(true);
  CStream chunk = Chunk("secure", {{"exttest.so", 1, "pk_add", {{"pk_add", "ext_add", 0, 2}}, LibraryBytes()},
                                   {"c", 2, "", {{"pk_one", "", 1, 0}}, "#define pk_one\rreturn 1;"}});
  ASSERT_TRUE(LoadExtensionPackages(chunk));
  ASSERT_TRUE(PrepareExtensionPackages());
  EXPECT_EQ(ExtensionsState().externals.Count(), 0);  // not even opened
  EXPECT_EQ(CallByName("pk_one", {}).str(), "failed: In secure mode you cannot use extension packages.");
  EXPECT_FALSE(InitializeExtensionPackages());
  EXPECT_EQ(g_errors, (std::vector<std::pair<std::string, bool>>{{"In secure mode you cannot use extension packages.", true}}));
}

}  // namespace
