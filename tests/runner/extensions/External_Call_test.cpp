// External functions end to end through the built-ins: a test library with functions of each
// signature, the library names games use, hostile files that must be refused without a crash,
// the definition errors and secure mode.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/extensions/Extension_Main.h"
#include "runner/extensions/Function_External.h"
#include "runner/functions/Function_Families.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> g_errors;
void Capture(std::string_view m, bool) { g_errors.emplace_back(m); }

RValue Call(const char* name, std::vector<RValue> args) {
  int32_t id = -1;
  EXPECT_TRUE(FindBuiltinFunction(name, id)) << name;
  const RFunction* f = FunctionAt(id);
  if (!f) return RValue(-999.0);
  RValue argv[kMaxFunctionArgs];
  if (args.size() > kMaxFunctionArgs) return RValue(-998.0);
  for (size_t i = 0; i < args.size(); ++i) argv[i] = args[i];
  RValue result;
  f->f_routine(nullptr, nullptr, static_cast<int32_t>(args.size()), argv, result);
  return result;
}

RValue S(const char* s) { return RValue(std::string_view(s)); }
RValue R(double d) { return RValue(d); }

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
void Put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

class ExternalCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<FunctionFamily> families = AllFunctionFamilies();
    families.push_back(ExternalFunctions());
    InitFunctions(families);
    SetErrorSink(Capture);
    g_errors.clear();
    dir_ = fs::path(GetTempDirectory()) / ("ext_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
    old_ = fs::current_path();
    SetGamePath((dir_ / "game.kvx").string());
  }
  void TearDown() override {
    fs::current_path(old_);
    SetErrorSink(nullptr);
    SetSecureMode(false);
    SetGamePath("");
  }
  fs::path dir_, old_;
};

TEST_F(ExternalCalls, EverySignatureGetsItsArgumentsAndResult) {
  const RValue lib = S(EXT_TEST_LIB);
  struct Row {
    const char* symbol;
    std::vector<int> types;  // 0 real, 1 string
    int restype;
    std::vector<RValue> args;
    RValue expected;
  };
  const std::vector<Row> rows = {
      {"ext_zero", {}, 0, {}, R(42)},
      {"ext_add", {0, 0}, 0, {R(1.5), R(2.25)}, R(3.75)},
      {"ext_length", {1}, 0, {S("h\xC3\xA9llo")}, R(6)},
      {"ext_length", {1}, 0, {R(5)}, R(0)},  // a real where a string goes: the empty text
      {"ext_concat", {1, 1}, 1, {S("ab"), S("cd")}, S("abcd")},
      {"ext_mixed", {0, 1, 0, 1}, 1, {R(1.5), S("x"), R(-2), S("yz")}, S("1.5|x|-2|yz")},
      {"ext_null", {}, 1, {}, S("")},
  };
  for (const Row& row : rows) {
    std::vector<RValue> def = {lib, S(row.symbol), R(0), R(row.restype), R(static_cast<double>(row.types.size()))};
    for (int t : row.types) def.push_back(R(t));
    const RValue id = Call("external_define", def);
    ASSERT_GE(id.val(), 0) << row.symbol;
    std::vector<RValue> call = {id};
    call.insert(call.end(), row.args.begin(), row.args.end());
    const RValue got = Call("external_call", call);
    EXPECT_EQ(got.IsString(), row.expected.IsString()) << row.symbol;
    EXPECT_EQ(got.val(), row.expected.val()) << row.symbol;
    EXPECT_EQ(got.str(), row.expected.str()) << row.symbol;
  }
  // The fixed-count forms: typed up to 4 arguments, reals from 5 on, all cdecl.
  const RValue add = Call("external_define2", {lib, S("ext_add"), R(0), R(0), R(0)});
  EXPECT_EQ(Call("external_call2", {add, R(2), R(3)}).val(), 5.0);
  const RValue cat = Call("external_define2", {lib, S("ext_concat"), R(1), R(1), R(1)});
  EXPECT_EQ(Call("external_call2", {cat, S("x"), S("y")}).str(), "xy");
  const RValue sum8 = Call("external_define8", {lib, S("ext_sum8"), R(0)});
  EXPECT_EQ(Call("external_call8", {sum8, R(1), R(1), R(1), R(1), R(1), R(1), R(1), R(1)}).val(), 36.0);
  // Sixteen arguments leave no room for the id in external_call: only package functions (and
  // the table itself) call with that many.
  const int32_t reals[16] = {};
  const int32_t sum16 = ExtensionsState().externals.Define(EXT_TEST_LIB, EXT_TEST_LIB, "ext_sum16", 0, 0, reals, 16);
  RValue sixteen[16];
  for (int i = 0; i < 16; ++i) sixteen[i] = R(i + 1);
  RValue result;
  ASSERT_TRUE(ExtensionsState().externals.Call(sum16, sixteen, 16, result));
  EXPECT_EQ(result.val(), 1496.0);
  EXPECT_EQ(Call("external_call", {add, R(1)}).val(), 0.0);  // a count other than defined: no call
  EXPECT_EQ(Call("external_call", {R(999), R(1)}).val(), 0.0);
  EXPECT_TRUE(g_errors.empty()) << g_errors.front();
}

TEST_F(ExternalCalls, OneLibraryIsLoadedOnceAndFreedForAllItsFunctions) {
  const RValue a = Call("external_define0", {S(EXT_TEST_LIB), S("ext_count"), R(0)});
  const RValue b = Call("external_define0", {S(EXT_TEST_LIB), S("ext_count"), R(0)});
  ASSERT_GE(a.val(), 0);
  ASSERT_EQ(b.val(), a.val() + 1);
  const double first = Call("external_call0", {a}).val();
  EXPECT_EQ(Call("external_call0", {b}).val(), first + 1);  // the same counter: one copy
  Call("external_free", {S(EXT_TEST_LIB)});
  EXPECT_EQ(Call("external_call0", {a}).val(), 0.0);
  EXPECT_EQ(Call("external_call0", {b}).val(), 0.0);
  // Defined again after the free, the library is loaded again.
  const RValue c = Call("external_define0", {S(EXT_TEST_LIB), S("ext_count"), R(0)});
  EXPECT_GT(Call("external_call0", {c}).val(), 0.0);
}

TEST_F(ExternalCalls, AStringArgumentIsTheLibrarysOwnCopy) {
  const RValue scribble = Call("external_define1", {S(EXT_TEST_LIB), S("ext_scribble"), R(1), R(0)});
  RValue text = S("abc");
  const RValue shared = text;
  Call("external_call1", {scribble, text});
  EXPECT_EQ(text.str(), "abc");
  EXPECT_EQ(shared.str(), "abc");
}

TEST_F(ExternalCalls, WindowsNamesFindTheSharedObjectBesideTheGame) {
  const std::string so = Bytes(EXT_TEST_LIB);
  Put(dir_ / "exttest.so", so);
  Put(dir_ / "libother.so", so);
  fs::create_directories(dir_ / "sub");
  Put(dir_ / "sub" / "Deep.so", so);
  for (const char* name : {"ExtTest.DLL", "exttest.so", "EXTTEST.dll", "other.dll"})
    EXPECT_GE(Call("external_define0", {S(name), S("ext_zero"), R(0)}).val(), 0) << name;
  // A name with a folder is looked for there only, with the game's separators.
  fs::current_path(dir_);
  EXPECT_GE(Call("external_define0", {S("sub\\deep.dll"), S("ext_zero"), R(0)}).val(), 0);
  EXPECT_EQ(Call("external_define0", {S("deep.dll"), S("ext_zero"), R(0)}).val(), -1);
  // The system's search path is never used.
  EXPECT_EQ(Call("external_define0", {S("libc.so.6"), S("getpid"), R(0)}).val(), -1);
  EXPECT_EQ(Call("external_define0", {S("user32.dll"), S("MessageBoxA"), R(0)}).val(), -1);
}

TEST_F(ExternalCalls, HostileLibrariesAreRefusedWithoutACrash) {
  const std::string so = Bytes(EXT_TEST_LIB);
  ASSERT_GT(so.size(), 4096u);
  std::string wrong_class = so;
  wrong_class[4] = 1;  // a 32-bit object
  std::string wrong_machine = so;
  wrong_machine[18] = 3;
  wrong_machine[19] = 0;  // i386
  struct Row {
    const char* file;
    std::string bytes;
    const char* problem;
  } rows[] = {
      {"text.so", "this is not a library\n", "is not a shared object"},
      {"empty.so", "", "is not a shared object"},
      {"windows.dll", "MZ\x90\x00\x03\x00\x00\x00", "is a Windows library; a Linux shared object (.so) is needed"},
      {"head.so", so.substr(0, 64), "is truncated"},
      {"truncated.so", so.substr(0, so.size() / 3), "is truncated"},
      {"class.so", wrong_class, "is a shared object of another word size"},
      {"machine.so", wrong_machine, "is a shared object of another machine"},
  };
  for (const Row& row : rows) {
    Put(dir_ / row.file, row.bytes);
    EXPECT_EQ(LibraryFileProblem((dir_ / row.file).string()), row.problem) << row.file;
    g_errors.clear();
    EXPECT_EQ(Call("external_define0", {S(row.file), S("ext_zero"), R(0)}).val(), -1) << row.file;
    EXPECT_EQ(g_errors, std::vector<std::string>{"Error defining an external function."}) << row.file;
  }
  EXPECT_EQ(LibraryFileProblem(EXT_TEST_LIB), "");
  fs::create_directories(dir_ / "folder.so");
  ASSERT_EQ(mkfifo((dir_ / "pipe.so").c_str(), 0600), 0);  // opening it must not block
  for (const char* name : {"folder.so", "pipe.so", "missing.dll", ""})
    EXPECT_EQ(Call("external_define0", {S(name), S("ext_zero"), R(0)}).val(), -1) << name;
  EXPECT_EQ(LibraryFileProblem((dir_ / "pipe.so").string()), "is not a regular file");
  // A library that exists without the symbol.
  EXPECT_EQ(Call("external_define0", {S(EXT_TEST_LIB), S("no_such_function"), R(0)}).val(), -1);
}

TEST_F(ExternalCalls, DefinitionErrorsAreShownAndTheGameGoesOn) {
  const RValue lib = S(EXT_TEST_LIB);
  struct Row {
    std::vector<RValue> args;
    const char* message;
    double result;
  } rows[] = {
      {{lib, S("ext_add"), R(0), R(0)}, "Wrong number of arguments to external_define()", 0},
      {{lib, S("ext_add"), R(0), R(0), R(2), R(0)}, "Wrong number of arguments to external_define()", 0},
      {{lib, S("ext_sum8"), R(0), R(0), R(5), R(0), R(0), R(1), R(0), R(0)},
       "DLL functions with more than 4 arguments cannot have string arguments", 0},
      {{lib, S("ext_sum8"), R(0), R(0), R(5), R(0), R(0), R(0.5), R(0), R(0)},
       "DLL functions with more than 4 arguments cannot have string arguments", 0},
      {{lib, S("nothing"), R(1), R(0), R(0)}, "Error defining an external function.", -1},
  };
  for (const Row& row : rows) {
    g_errors.clear();
    EXPECT_EQ(Call("external_define", row.args).val(), row.result) << row.message;
    EXPECT_EQ(g_errors, std::vector<std::string>{row.message});
  }
  // A convention of 1 (stdcall) is accepted and calls like any other here.
  const RValue add = Call("external_define", {lib, S("ext_add"), R(1), R(0), R(2), R(0), R(0)});
  EXPECT_EQ(Call("external_call", {add, R(1), R(2)}).val(), 3.0);
  EXPECT_GT(Call("get_function_address", {S("external_call")}).val(), 0.0);
  EXPECT_EQ(Call("get_function_address", {S("no_such_function")}).val(), -1.0);
}

TEST_F(ExternalCalls, SecureModeRefusesEveryExternalFunction) {
  const RValue ok = Call("external_define0", {S(EXT_TEST_LIB), S("ext_zero"), R(0)});
  SetSecureMode(true);
  const std::vector<std::pair<const char*, std::vector<RValue>>> calls = {
      {"external_define", {S(EXT_TEST_LIB), S("ext_zero"), R(0), R(0), R(0)}},
      {"external_call", {ok}},
      {"external_free", {S(EXT_TEST_LIB)}},
      {"get_function_address", {S("external_call")}},
      {"external_define0", {S(EXT_TEST_LIB), S("ext_zero"), R(0)}},
      {"external_call0", {ok}},
      {"external_define5", {S(EXT_TEST_LIB), S("ext_zero"), R(0)}},
      {"external_call8", {ok, R(0), R(0), R(0), R(0), R(0), R(0), R(0), R(0)}},
  };
  for (const auto& [name, args] : calls) {
    g_errors.clear();
    EXPECT_EQ(Call(name, args).val(), 0.0) << name;
    EXPECT_EQ(g_errors, std::vector<std::string>{"In secure mode you cannot use DLLs"}) << name;
  }
  SetSecureMode(false);
  EXPECT_EQ(Call("external_call0", {ok}).val(), 42.0);  // the free above did nothing
}

}  // namespace
