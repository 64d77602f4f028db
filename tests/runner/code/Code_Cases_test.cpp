// Runs every cases/*.kvs file through the compiler and compares with the .expected file beside it.
// A .kvs file holds cases, each opened by a line "#--- program NAME" or "#--- expr NAME"; the
// case text is the lines up to the next header. Set KVS_UPDATE=1 to rewrite the expected files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Main.h"
#include "tests/runner/code/CaseFile.h"
#include "tests/runner/code/TestContext.h"

namespace fs = std::filesystem;

namespace {
std::string RunCase(const Case& c, const CompileContext& ctx) {
  CCode code(c.text, c.expr);
  if (!code.Compile()) {
    const RCodeError& e = CodeError();
    return "error @" + std::to_string(e.position) + ": " + e.text + "\n";
  }
  if (code.i_kind == CCode::kConstantExpression) {
    std::string v = code.i_value.IsReal() ? RealText(code.i_value.val())
                                          : "\"" + std::string(code.i_value.str()) + "\"";
    return "constant " + v + "\n";
  }
  EXPECT_EQ(TreeFault(code.i_token), "") << c.header;
  std::string head = code.IsProgram() ? "program" : "expression";
  head += " args=" + std::to_string(code.i_Args) + " argarray=" + (code.i_ArgArray ? "1" : "0") + "\n";
  return head + DumpTree(code.i_token, &ctx);
}

std::vector<fs::path> CaseFiles() { return CaseFilesIn(fs::path(TEST_SOURCE_DIR) / "tests/runner/code/cases"); }
}  // namespace

TEST(CodeCases, EveryCaseFileMatchesItsExpectedOutput) {
  ScopedTestContext scope;
  auto files = CaseFiles();
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    auto cases = SplitCases(ReadCaseFile(file));
    EXPECT_FALSE(cases.empty()) << file;
    std::string actual;
    for (const Case& c : cases) actual += "#--- " + c.header + "\n" + RunCase(c, scope.ctx);
    CheckExpectedOutput(file, actual, "Compiler output for");
  }
}
