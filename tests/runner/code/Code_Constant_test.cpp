// The constant table: built-in constants, hiding by definition order, definitions from text
// with their messages, the constants chunk and defining the game's constants.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "runner/code/Code_Constant.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Constant_Main.h"
#include "runner/base/Support_Stream.h"

namespace {
std::vector<std::string> g_messages;
void Capture(std::string_view m) { g_messages.emplace_back(m); }

struct TableContext : CompileContext {
  bool FindConstant(std::string_view name, RValue& value) const override { return ::FindConstant(name, value); }
};

class Constants : public ::testing::Test {
 protected:
  void SetUp() override {
    g_messages.clear();
    SetConstantMessageSink(Capture);
    SetCompileContext(&ctx_);
  }
  static double Value(std::string_view name) {
    RValue v(-12345.0);
    EXPECT_TRUE(FindConstant(name, v)) << name;
    return v.val();
  }
  TableContext ctx_;
};

CStream Chunk(int32_t version, int32_t count, const std::vector<std::pair<std::string, std::string>>& pairs) {
  CStream s;
  s.WriteInteger(version);
  s.WriteInteger(count);
  for (const auto& [name, value] : pairs) {
    s.WriteString(name);
    s.WriteString(value);
  }
  s.SetPosition(0);
  return s;
}
}  // namespace

TEST_F(Constants, BuiltinsInDefinitionOrderWithTheirValues) {
  ASSERT_EQ(ConstantCount(), 320);
  const RBuiltinConstant* b = BuiltinConstants();
  EXPECT_STREQ(b[0].name, "self");
  EXPECT_STREQ(b[8].name, "pi");
  EXPECT_STREQ(b[319].name, "OEM_CHARSET");
  std::set<std::string> names;
  for (int32_t i = 0; i < ConstantCount(); ++i) {
    const RConstant* c = ConstantAt(i);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->name, b[i].name);
    EXPECT_TRUE(c->value.IsReal());
    EXPECT_TRUE(IsIdentifier(c->name)) << c->name;
    EXPECT_TRUE(names.insert(c->name).second) << "twice: " << c->name;
  }
  EXPECT_EQ(ConstantAt(320), nullptr);
  EXPECT_EQ(ConstantAt(-1), nullptr);

  EXPECT_EQ(Value("pi"), std::numbers::pi);
  const struct {
    const char* name;
    double value;
  } samples[] = {
      {"self", -1},           {"local", -7},          {"true", 1},
      {"pr_trianglefan", 6},  {"c_orange", 4235519},  {"c_silver", 12632256},
      {"c_white", 16777215},  {"bm_src_alpha_sat", 11}, {"bm_zero", 1},
      {"se_equalizer", 64},   {"fa_center", 1},       {"fa_bottom", 2},
      {"mb_any", -1},         {"vk_return", 13},      {"vk_f1", 112},
      {"vk_f12", 123},        {"vk_numpad0", 96},     {"vk_numpad9", 105},
      {"vk_ralt", 165},       {"ev_step", 3},         {"ev_alarm", 2},
      {"ev_joystick1_button1", 21}, {"ev_joystick2_button8", 43},
      {"ev_global_middle_release", 58}, {"ev_mouse_wheel_down", 61},
      {"ev_user0", 10},       {"ev_user15", 25},      {"ev_close_button", 30},
      {"ev_step_end", 2},     {"dll_stdcall", 1},     {"fa_directory", 16},
      {"cr_arrow", -2},       {"cr_arrrow", -2},      {"cr_size_nesw", -6},
      {"cr_size_all", -22},   {"pt_shape_snow", 13},  {"ps_change_motion", 2},
      {"ef_snow", 11},        {"os_android", 5},      {"device_ios_ipad", 2},
      {"input_type", 2},      {"EASTEUROPE_CHARSET", 238}, {"MAC_CHARSET", 77},
  };
  for (const auto& s : samples) EXPECT_EQ(Value(s.name), s.value) << s.name;
  RValue v;
  EXPECT_FALSE(FindConstant("C_WHITE", v));  // names are case-sensitive
  EXPECT_FALSE(FindConstant("", v));
  int32_t cursors = 0;
  for (int32_t i = 0; i < ConstantCount(); ++i)
    if (ConstantAt(i)->name.rfind("cr_", 0) == 0) {
      ++cursors;
      EXPECT_NE(ConstantAt(i)->value.val(), -5) << ConstantAt(i)->name;  // -5 has no cursor name
    }
  EXPECT_EQ(cursors, 23);
}

TEST_F(Constants, LaterDefinitionsHideEarlierOnesAndNothingIsRemoved) {
  DefineConstant("c_red", RValue(65280.0));
  EXPECT_EQ(Value("c_red"), 65280);
  DefineBuiltinConstant("c_red", 7);
  EXPECT_EQ(Value("c_red"), 7);
  EXPECT_EQ(ConstantCount(), 322);
  EXPECT_EQ(ConstantAt(321)->value.val(), 7);
  // The original entry is still there, only hidden.
  int32_t originals = 0;
  for (int32_t i = 0; i < ConstantCount(); ++i)
    if (ConstantAt(i)->name == "c_red" && ConstantAt(i)->value.val() == 255) ++originals;
  EXPECT_EQ(originals, 1);
  DefineConstant("greeting", RValue(std::string_view("hi")));
  RValue v;
  ASSERT_TRUE(FindConstant("greeting", v));
  EXPECT_EQ(v.str(), "hi");
  TheGame().Renew<RConstantsState>();  // only the built-in constants again
  EXPECT_EQ(ConstantCount(), 320);
  EXPECT_EQ(Value("c_red"), 255);
}

TEST_F(Constants, DefinitionFromTextNamesValuesAndMessages) {
  const struct {
    const char* name;
    const char* value;
    bool ok;
    const char* message;  // the one message shown, or empty
  } cases[] = {
      {"c_red", "255 * 256", true, ""},
      {"w", "c_white - 1", true, ""},
      {"  speed ", "3", true, ""},
      {"\tdepth\r\n", "-(2)", true, ""},
      {"_a1", "\"hi\" + \"!\"", true, ""},
      {"empty_code", "", true, ""},
      {"1abc", "1", false, "Constant name 1abc  is not valid."},
      {"", "1", false, "Constant name   is not valid."},
      {"   ", "1", false, "Constant name   is not valid."},
      {"a-b", "1", false, "Constant name a-b  is not valid."},
      {"na me", "1", false, "Constant name na me  is not valid."},
      {"caf\xc3\xa9", "1", false, "Constant name caf\xc3\xa9  is not valid."},
      {" bad ", "1 +", false, "Value for constant bad  is not valid."},
      {"div", "1 / 0", false, "Value for constant div  is not valid."},
      {"later", "not_yet + 1", false, "Value for constant later  is not valid."},
      {"call", "no_such_function(4)", false, "Value for constant call  is not valid."},
  };
  for (const auto& c : cases) {
    g_messages.clear();
    const int32_t before = ConstantCount();
    EXPECT_EQ(DefineConstantFromText(c.name, c.value), c.ok) << c.name;
    EXPECT_EQ(ConstantCount(), before + (c.ok ? 1 : 0)) << c.name;
    if (*c.message)
      EXPECT_EQ(g_messages, std::vector<std::string>{c.message});
    else
      EXPECT_TRUE(g_messages.empty()) << c.name << ": " << g_messages.front();
  }
  EXPECT_EQ(Value("c_red"), 65280);
  EXPECT_EQ(Value("w"), 16777214);
  EXPECT_EQ(Value("speed"), 3);
  EXPECT_EQ(Value("depth"), -2);
  EXPECT_EQ(Value("empty_code"), 0);
  RValue v;
  ASSERT_TRUE(FindConstant("_a1", v));
  EXPECT_EQ(v.str(), "hi!");
  EXPECT_FALSE(FindConstant(" speed ", v));
  EXPECT_FALSE(FindConstant("later", v));
}

namespace {
int g_evaluations = 0;
bool FakeEvaluator(CCode& code, RValue& value) {
  ++g_evaluations;
  if (code.i_kind == CCode::kConstantExpression) return false;  // folded texts never get here
  if (code.GetText().find("fails") != std::string::npos) return false;
  value.SetReal(42);
  return true;
}
}  // namespace

TEST_F(Constants, TextsThatDoNotFoldGoThroughTheEvaluator) {
  SetConstantEvaluator(FakeEvaluator);
  EXPECT_EQ(GetConstantEvaluator(), &FakeEvaluator);
  g_evaluations = 0;
  EXPECT_TRUE(DefineConstantFromText("folded", "2 + 3"));
  EXPECT_EQ(g_evaluations, 0);
  EXPECT_TRUE(DefineConstantFromText("computed", "x + 1"));
  EXPECT_EQ(g_evaluations, 1);
  EXPECT_EQ(Value("computed"), 42);
  EXPECT_EQ(Value("folded"), 5);
  EXPECT_FALSE(DefineConstantFromText("broken", "fails + 1"));
  EXPECT_EQ(g_evaluations, 2);
  EXPECT_EQ(g_messages, std::vector<std::string>{"Value for constant broken  is not valid."});
  // A compile failure never reaches the evaluator.
  EXPECT_FALSE(DefineConstantFromText("syntax", "(1"));
  EXPECT_EQ(g_evaluations, 2);
}

TEST_F(Constants, ChunkKeepsTextsAndPreparationDefinesThemInOrder) {
  CStream s = Chunk(800, 3, {{"c_red", "255 * 256"}, {" tint ", "c_red + 1"}, {"name", "\"x\""}});
  ASSERT_TRUE(LoadConstants(s));
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  ASSERT_EQ(GameConstantTexts().size(), 3u);
  EXPECT_EQ(GameConstantTexts()[1].name, " tint ");
  EXPECT_EQ(GameConstantTexts()[1].value, "c_red + 1");
  EXPECT_EQ(ConstantCount(), 320);  // loading defines nothing
  ASSERT_TRUE(DefineGameConstants());
  EXPECT_EQ(Value("c_red"), 65280);
  EXPECT_EQ(Value("tint"), 65281);
  EXPECT_TRUE(g_messages.empty());

  CStream empty = Chunk(800, 0, {});
  EXPECT_TRUE(LoadConstants(empty));
  EXPECT_TRUE(GameConstantTexts().empty());
  EXPECT_TRUE(DefineGameConstants());
}

TEST_F(Constants, BadChunksFailAndLeaveTheStoredTextsAlone) {
  CStream good = Chunk(800, 1, {{"a", "1"}});
  ASSERT_TRUE(LoadConstants(good));
  CStream wrong = Chunk(799, 1, {{"b", "2"}});
  EXPECT_FALSE(LoadConstants(wrong));
  CStream negative = Chunk(800, -1, {});
  EXPECT_FALSE(LoadConstants(negative));
  CStream huge = Chunk(800, 0x7fffffff, {{"b", "2"}});
  EXPECT_THROW(LoadConstants(huge), StreamError);
  CStream half = Chunk(800, 1, {});
  half.SetPosition(half.GetSize());
  half.WriteString("only a name");
  half.SetPosition(0);
  EXPECT_THROW(LoadConstants(half), StreamError);
  ASSERT_EQ(GameConstantTexts().size(), 1u);
  EXPECT_EQ(GameConstantTexts()[0].name, "a");
}

TEST_F(Constants, FirstFailingGameConstantStopsTheRest) {
  // "b" is defined after "a" needs it, so "a" fails and nothing after it is defined.
  CStream s = Chunk(800, 4, {{"ok", "1"}, {"a", "b + 1"}, {"b", "1"}, {"9lives", "9"}});
  ASSERT_TRUE(LoadConstants(s));
  EXPECT_FALSE(DefineGameConstants());
  EXPECT_EQ(g_messages, std::vector<std::string>{"Value for constant a  is not valid."});
  RValue v;
  EXPECT_TRUE(FindConstant("ok", v));
  EXPECT_FALSE(FindConstant("b", v));
  EXPECT_EQ(ConstantCount(), 321);

  TheGame().Renew<RConstantsState>();  // only the built-in constants again
  g_messages.clear();
  CStream n = Chunk(800, 2, {{"9lives", "9"}, {"fine", "1"}});
  ASSERT_TRUE(LoadConstants(n));
  EXPECT_FALSE(DefineGameConstants());
  EXPECT_EQ(g_messages, std::vector<std::string>{"Constant name 9lives  is not valid."});
  EXPECT_EQ(ConstantCount(), 320);
}
