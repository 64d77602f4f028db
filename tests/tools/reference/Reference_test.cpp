// The reference writer refuses descriptions that disagree with the function registry, so the
// committed reference can neither miss a function nor describe one that is gone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/shell/Runner_Game.h"
#include "tools/reference/Reference.h"

namespace {
void Nothing(CInstance*, CInstance*, int32_t, RValue*, RValue&) {}

constexpr RFunctionDef kFamily[] = {
    {"alpha", 2, Nothing},
    {"beta", 0, Nothing},
    {"gamma", kArgsAny, Nothing},
};
const std::vector<RReferenceFamily> kFamilies = {{"Test", kFamily}};

std::vector<std::string> Problems(const std::string& file) {
  RFunctionTexts texts;
  std::vector<std::string> errors;
  ParseFunctionTexts(file, texts, errors);
  for (std::string& e : CheckFunctionTexts(kFamilies, texts)) errors.push_back(std::move(e));
  return errors;
}

constexpr const char* kGood =
    "# a comment, then a blank line\n"
    "\n"
    "alpha(x, y) Does a thing.\n"
    "beta() Does another.\n"
    "gamma(val, ...) Takes any number.\n";

TEST(ReferenceTexts, MatchingDescriptionsPass) { EXPECT_EQ(Problems(kGood), std::vector<std::string>{}); }

TEST(ReferenceTexts, EveryDisagreementIsReported) {
  struct Case {
    const char* file;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {"alpha(x, y) A.\ngamma(...) C.\n", {"beta: registered but not described"}},
      {"alpha(x, y) A.\nbeta() B.\ngamma(...) C.\ndelta() Gone.\n",
       {"line 4: delta is described but not registered"}},
      {"alpha(x) A.\nbeta() B.\ngamma(...) C.\n", {"line 1: alpha takes 2 arguments, the description names 1"}},
      {"alpha(x, ...) A.\nbeta() B.\ngamma(...) C.\n",
       {"line 1: alpha takes exactly 2 arguments: drop the ..."}},
      {"alpha(x, y) A.\nbeta() B.\ngamma(val) C.\n",
       {"line 3: gamma takes any number of arguments: end its list with ..."}},
      {"alpha(x, y) A.\nbeta() B.\ngamma(...) C.\nbeta() Again.\n",
       {"line 4: beta is described twice"}},
      {"alpha(x, y)\nbeta() B.\ngamma(...) C.\n",
       {"line 1: alpha has no description", "alpha: registered but not described"}},
      {"alpha x y A.\nbeta() B.\ngamma(...) C.\n",
       {"line 1: expected name(arguments) description", "alpha: registered but not described"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Problems(c.file), c.problems) << c.file;
}

TEST(ReferenceTexts, EveryRunnerFamilyHasAHeading) {
  // A family without a heading throws; a new family must be given one.
  std::vector<RReferenceFamily> families;
  ASSERT_NO_THROW(families = RunnerReferenceFamilies());
  EXPECT_EQ(families.size(), RunnerFunctionFamilies().size());
  for (const RReferenceFamily& f : families) EXPECT_FALSE(f.title.empty());
}

TEST(ReferenceTexts, ArgumentsAndTextsReachTheReference) {
  RFunctionTexts texts;
  std::vector<std::string> errors;
  ASSERT_TRUE(ParseFunctionTexts("alpha(x,y) Sums | things.\nbeta() B.\ngamma(  ...  ) C.\n", texts, errors));
  const std::string md = WriteReference(kFamilies, texts);
  EXPECT_NE(md.find("| `alpha(x, y)` | Sums \\| things. |"), std::string::npos);
  EXPECT_NE(md.find("| `gamma(...)` | C. |"), std::string::npos);
  EXPECT_NE(md.find("- [Test](#test) (3)"), std::string::npos);
  // The tables of variables, constants, events and keys come from the runner itself.
  EXPECT_NE(md.find("| `x` | instance |  | yes |"), std::string::npos);
  EXPECT_NE(md.find("| `alarm` | instance | array | yes |"), std::string::npos);
  EXPECT_NE(md.find("| `room_width` | game |  | read-only |"), std::string::npos);
  EXPECT_NE(md.find("| `argument0` | argument |  | yes |"), std::string::npos);
  EXPECT_NE(md.find("| `c_white` | 16777215 |"), std::string::npos);
  EXPECT_NE(md.find("| 7 `ev_other` | 10 | Other Event: User Defined 0 |"), std::string::npos);
  EXPECT_NE(md.find("| 3 `ev_step` | 0 | Step Event |"), std::string::npos);
  EXPECT_NE(md.find("| 13 | `Enter` | `vk_enter`, `vk_return` | `<Enter>` |"), std::string::npos);
  EXPECT_NE(md.find("| 65 | `A` |  | `A-key` |"), std::string::npos);
}
}  // namespace
