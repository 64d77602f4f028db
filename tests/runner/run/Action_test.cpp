// Action records: loading (function resolution and its message, slot counts), compilation of
// set-variable and code actions and of arguments by kind, and the order of user variable ids.
#include "runner/base/Runner_Process.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Main.h"
#include "runner/shell/Runner_Load.h"
#include "runner/base/Support_Stream.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

struct RawAction {
  int32_t kind = 0;
  bool userelative = false, isquestion = false, useapplyto = true;
  int32_t exetype = 1;
  std::string function = "t_log";
  std::string code;
  int32_t argcount = 0;
  std::vector<int32_t> argtypes;
  int32_t who = -1;
  bool relative = false;
  std::vector<std::string> args;
  bool isnot = false;
  int32_t version = 440;
};

void Write(CStream& s, const RawAction& a) {
  s.WriteInteger(a.version);
  s.WriteInteger(1);
  s.WriteInteger(2);
  s.WriteInteger(a.kind);
  s.WriteBoolean(a.userelative);
  s.WriteBoolean(a.isquestion);
  s.WriteBoolean(a.useapplyto);
  s.WriteInteger(a.exetype);
  s.WriteString(a.function);
  s.WriteString(a.code);
  s.WriteInteger(a.argcount);
  s.WriteInteger(static_cast<int32_t>(a.argtypes.size()));
  for (int32_t t : a.argtypes) s.WriteInteger(t);
  s.WriteInteger(a.who);
  s.WriteBoolean(a.relative);
  s.WriteInteger(static_cast<int32_t>(a.args.size()));
  for (const std::string& t : a.args) s.WriteString(t);
  s.WriteBoolean(a.isnot);
}

class Actions : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    SetLoadMessageSink([this](std::string_view m) { messages.emplace_back(m); });
    SetErrorSink([](std::string_view m, bool fatal) { Errors().push_back(std::string(fatal ? "F:" : "") + std::string(m)); });
    Errors().clear();
  }
  void TearDown() override {
    SetLoadMessageSink(nullptr);
    SetErrorSink(nullptr);
    WorldTest::TearDown();
  }
  static std::vector<std::string>& Errors() {
    static std::vector<std::string> e;
    return e;
  }
  std::unique_ptr<CAction> Load(const RawAction& raw) {
    CStream s;
    Write(s, raw);
    s.WriteInteger(12345);  // what follows the record
    s.SetPosition(0);
    auto a = std::make_unique<CAction>();
    EXPECT_TRUE(a->LoadFromStream(s));
    if (raw.version == 440) {
      EXPECT_EQ(s.ReadInteger(), 12345);
    }
    return a;
  }
  std::vector<std::string> messages;
};

TEST_F(Actions, LoadReadsEveryFieldAndResolvesTheFunction) {
  RawAction raw;
  raw.kind = kActNormal;
  raw.userelative = true;
  raw.isquestion = true;
  raw.argcount = 2;
  raw.argtypes = {0, 1};
  raw.who = 3;
  raw.relative = true;
  raw.args = {"1+1", "text"};
  raw.isnot = true;
  auto a = Load(raw);
  EXPECT_EQ(a->act_libid, 1);
  EXPECT_EQ(a->act_id, 2);
  EXPECT_TRUE(a->act_userelative && a->act_isquestion && a->act_useapplyto && a->act_relative && a->act_isnot);
  EXPECT_EQ(a->act_exetype, kExeFunction);
  EXPECT_EQ(a->act_functionid, Fn("t_log"));
  EXPECT_EQ(a->act_argumentcount, 2);
  EXPECT_EQ(a->act_argtype[1], 1);
  EXPECT_EQ(a->act_who, 3);
  EXPECT_EQ(a->act_argstring[0], "1+1");
  EXPECT_TRUE(messages.empty());
}

TEST_F(Actions, UnknownFunctionShowsItsMessageOnlyForFunctionActions) {
  RawAction raw;
  raw.function = "no_such_function";
  EXPECT_EQ(Load(raw)->act_functionid, -1);
  raw.exetype = 2;
  EXPECT_EQ(Load(raw)->act_functionid, -1);
  EXPECT_EQ(messages, std::vector<std::string>{"Failed to locate action function no_such_function"});
}

// A damaged name reaches standard error: never raw control bytes, never without end.
TEST_F(Actions, UnknownFunctionNameIsPrintedEscaped) {
  const std::pair<std::string, std::string> rows[] = {
      {std::string("ab\0c\x1b[2J", 8), "ab\\x00c\\x1B[2J"},
      {"tab\there\\", "tab\\x09here\\\\"},
      {"\xC3\xA9\x7F", "\\xC3\\xA9\\x7F"},
      {std::string(300, 'n'), std::string(200, 'n') + "..."},
  };
  for (const auto& [name, shown] : rows) {
    messages.clear();
    RawAction raw;
    raw.function = name;
    Load(raw);
    EXPECT_EQ(messages, std::vector<std::string>{"Failed to locate action function " + shown});
  }
}

TEST_F(Actions, WrongVersionLeavesTheActionEmpty) {
  RawAction raw;
  raw.version = 439;
  auto a = Load(raw);
  EXPECT_EQ(a->act_kind, kActNormal);
  EXPECT_EQ(a->act_exetype, kExeNone);
  EXPECT_EQ(a->act_functionid, -1);
}

TEST_F(Actions, SlotCountsBeyondEightAreReadPastAndCountsClamped) {
  RawAction raw;
  raw.argcount = 12;
  raw.argtypes = std::vector<int32_t>(10, 1);
  raw.args = std::vector<std::string>(11, "s");
  raw.args[7] = "eighth";
  auto a = Load(raw);  // the record is read to its end all the same
  EXPECT_EQ(a->act_argumentcount, 8);
  EXPECT_EQ(a->act_argstring[7], "eighth");
  raw.argcount = -4;
  raw.argtypes = {};
  raw.args = {};
  EXPECT_EQ(Load(raw)->act_argumentcount, 0);
}

TEST_F(Actions, DamagedRecordThrows) {
  CStream s;
  Write(s, RawAction{});
  std::vector<uint8_t> bytes = s.Bytes();
  bytes.resize(bytes.size() - 2);
  CStream cut(bytes);
  CAction a;
  EXPECT_THROW(a.LoadFromStream(cut), StreamError);
}

// Compiling one action: its code text and argument forms afterwards.
struct CompileCase {
  const char* what;
  RawAction raw;
  std::string code;                // text of the compiled code, "" for none
  std::vector<std::string> consts;  // per argument: constant value text, or "code" for an expression
};

void PrintTo(const CompileCase& c, std::ostream* os) { *os << c.what; }

RawAction Set(const char* var, const char* value, bool relative) {
  RawAction r;
  r.kind = kActVariable;
  r.exetype = 2;
  r.function = "";
  r.argcount = 2;
  r.argtypes = {1, 0};
  r.args = {var, value};
  r.relative = relative;
  return r;
}
RawAction Args(std::vector<int32_t> types, std::vector<std::string> texts) {
  RawAction r;
  r.argcount = static_cast<int32_t>(types.size());
  r.argtypes = std::move(types);
  r.args = std::move(texts);
  return r;
}

std::string Shown(const RValue& v) { return v.IsString() ? "'" + std::string(v.str()) + "'" : RealText(v.val()); }

const CompileCase kCompile[] = {
    {"set variable", Set("x", "5", false), "x = 5", {}},
    {"set variable relative", Set("x", "5", true), "x += 5", {}},
    {"code action", [] {
       RawAction r;
       r.kind = kActCode;
       r.exetype = 2;
       r.function = "";
       r.argcount = 1;
       r.argtypes = {1};
       r.args = {"y = 2;"};
       return r;
     }(), "y = 2;", {}},
    {"code of a library action keeps its arguments", [] {
       RawAction r = Args({0, 1}, {"2*3", "s"});
       r.exetype = 2;
       r.function = "";
       r.code = "z = argument0;";
       return r;
     }(), "z = argument0;", {"6", "'s'"}},
    {"strings by kind", Args({1, 15, 2, 2, 2, 2}, {"hello", "x+1", "hello", "'hello'", "\"hello\"", ""}), "",
     {"'hello'", "'x+1'", "'hello'", "'hello'", "'hello'", "''"}},
    {"constant expressions fold", Args({0, 4}, {"3+4", "x+4"}), "", {"7", "code"}},
};

class Compile : public Actions, public ::testing::WithParamInterface<CompileCase> {};

TEST_P(Compile, Forms) {
  const CompileCase& c = GetParam();
  auto a = Load(c.raw);
  ASSERT_TRUE(a->Compile()) << Errors().front();
  EXPECT_EQ(a->act_kind, kActNormal);
  EXPECT_TRUE(a->act_codestring.empty());
  EXPECT_EQ(a->act_codecode ? a->act_codecode->GetText() : "", c.code);
  ASSERT_EQ(a->act_argumentcount, static_cast<int32_t>(c.consts.size()));
  for (size_t i = 0; i < c.consts.size(); ++i) {
    EXPECT_TRUE(a->act_argstring[i].empty());
    if (c.consts[i] == "code") {
      EXPECT_EQ(a->act_argtype[i], kArgExpression);
      EXPECT_TRUE(a->act_argcode[i]);
    } else {
      EXPECT_EQ(a->act_argtype[i], kArgConstant) << i;
      EXPECT_FALSE(a->act_argcode[i]);
      EXPECT_EQ(Shown(a->act_argvalue[i]), c.consts[i]) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Compile, ::testing::ValuesIn(kCompile));

TEST_F(Actions, CompileErrorsAreFatalErrorsOfTheAction) {
  RawAction code = Set("x", "(", false);
  EXPECT_FALSE(Load(code)->Compile());
  RawAction arg = Args({0, 0}, {"1", "1 +"});
  EXPECT_FALSE(Load(arg)->Compile());
  ASSERT_EQ(Errors().size(), 2u);
  EXPECT_EQ(Errors()[0].rfind("F:COMPILATION ERROR in code action\rError in code at line 1:", 0), 0u) << Errors()[0];
  EXPECT_EQ(Errors()[1].rfind("F:COMPILATION ERROR in argument 1\rError in expression:1 +", 0), 0u) << Errors()[1];
}

TEST_F(Actions, CreateCodeMakesACodeAction) {
  auto a = CAction::CreateCode("w = 1;");
  EXPECT_EQ(a->act_kind, kActCode);
  EXPECT_EQ(a->act_exetype, kExeCode);
  EXPECT_FALSE(a->act_useapplyto || a->act_userelative || a->act_isquestion);
  ASSERT_TRUE(a->Compile());
  EXPECT_EQ(a->act_codecode->GetText(), "w = 1;");
}

// Objects compile by index, then event type, then number, then action; inside an action the
// code comes before the arguments. User variable ids follow that order of first use.
TEST_F(Actions, CompilingObjectsNumbersUserVariablesInOrder) {
  const std::string p = "ord" + std::to_string(UserVarCount()) + "_";
  const int32_t first = AddObject();
  const int32_t second = AddObject();
  auto code = [&](const std::string& var) { return CAction::CreateCode(p + var + " = 1;"); };
  Event(second, ev_create, 0).e_actions.push_back(code("g"));
  Event(first, ev_step, 2).e_actions.push_back(code("e"));
  Event(first, ev_step, 0).e_actions.push_back(code("c"));
  Event(first, ev_step, 0).e_actions.push_back(code("d"));
  Event(first, ev_alarm, 0).e_actions.push_back(code("b"));
  {
    auto withArgs = CAction::CreateCode("");
    withArgs->act_kind = kActNormal;
    withArgs->act_exetype = kExeCode;
    withArgs->act_codestring = p + "a1 = 0;";
    withArgs->act_argumentcount = 1;
    withArgs->act_argtype[0] = 0;
    withArgs->act_argstring[0] = p + "a2";
    Event(first, ev_create, 0).e_actions.push_back(std::move(withArgs));
  }
  Event(first, ev_draw, 0).e_actions.push_back(code("f"));
  ASSERT_TRUE(CompileObjects());
  std::vector<int32_t> ids;
  for (const char* v : {"a1", "a2", "b", "c", "d", "e", "f", "g"}) ids.push_back(VarIdOfName(p + v));
  for (size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(ids[i], ids[i - 1] + 1) << i;
}

}  // namespace
