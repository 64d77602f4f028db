// A small world for the action functions: function actions built as the authoring tool stores
// them (expression texts, the relative box, apply-to, not), run once or as an event's list, and
// game code to set up and read back the instances.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runner/code/Action_Class.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Event_Action.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Event_Class.h"
#include "runner/run/Run_Host.h"
#include "tests/runner/run/World.h"

namespace actions {

struct RActionDesc {
  std::string name;
  std::vector<std::string> args;  // expression texts
  bool relative = false;
  int32_t who = -1;  // apply-to
  bool isnot = false;
};

// The action compiled as the runner compiles a stored one.
inline std::unique_ptr<CAction> Act(const RActionDesc& desc) {
  auto a = std::make_unique<CAction>(kActNormal);
  a->act_exetype = kExeFunction;
  a->act_functionid = ResolveActionFunction(desc.name);
  EXPECT_GE(a->act_functionid, 0) << desc.name << " is not registered";
  a->act_userelative = true;
  a->act_relative = desc.relative;
  a->act_useapplyto = true;
  a->act_who = desc.who;
  a->act_isquestion = desc.name.starts_with("action_if");
  a->act_isnot = desc.isnot;
  a->act_argumentcount = static_cast<int32_t>(desc.args.size());
  for (size_t i = 0; i < desc.args.size(); ++i) {
    a->act_argtype[i] = kArgExpression;
    a->act_argstring[i] = desc.args[i];
  }
  EXPECT_TRUE(a->Compile()) << desc.name;
  return a;
}

class ActionTest : public world::WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    InitInterpreter();
    InstallRuntimeHost();
    InstallSprites();
    SetErrorSink([](std::string_view m, bool) { Errors().push_back(std::string(m)); });
    Errors().clear();
  }
  void TearDown() override {
    SetErrorSink(nullptr);
    SetExecHost(nullptr);
    WorldTest::TearDown();
    Sprites().Clear();
  }
  static std::vector<std::string>& Errors() {
    static std::vector<std::string> e;
    return e;
  }

  // Runs code for self outside any event; returns its value.
  RValue Run(CInstance* self, const std::string& text) {
    CCode code(text, false);
    EXPECT_TRUE(code.Compile()) << text;
    RValue result;
    EXPECT_TRUE(ExecuteCode(self, self, code, result)) << text;
    return result;
  }
  double Real(CInstance* self, const std::string& expr) { return Run(self, "return " + expr).val(); }

  // One normal action, run for self with other.
  void Do(const RActionDesc& desc, CInstance* self, CInstance* other = nullptr) {
    ExecuteAction(*Act(desc), self, other ? other : self);
  }
  // One question, its answer.
  bool Ask(const RActionDesc& desc, CInstance* self, CInstance* other = nullptr) {
    return EvaluateAction(*Act(desc), self, other ? other : self);
  }
  // A question governing a log of "yes" with an else logging "no", walked as an event's list
  // so that apply-to chooses the instances that answer. Returns the trace.
  std::vector<std::string> Walk(const RActionDesc& question, CInstance* self, CInstance* other) {
    CEvent event;
    event.e_actions.push_back(Act(question));
    event.e_actions.push_back(world::Log("yes"));
    event.e_actions.push_back(world::Op(kActElse));
    event.e_actions.push_back(world::Log("no"));
    world::Trace().clear();
    RunActionList(event, self, other);
    return world::Trace();
  }

  // A one-image square sprite of side n, its mask full.
  static int32_t Square(int32_t n) {
    const int32_t i = Sprites().Add();
    CSprite& s = *Sprites().Get(i);
    TMask m;
    m.i_w = m.i_h = n;
    m.i_mask.assign(static_cast<size_t>(n * n), 1);
    m.i_bbox = {0, 0, n - 1, n - 1};
    s.i_numb = 1;
    s.i_bitmap.emplace_back(n, n);
    s.i_bbox = m.i_bbox;
    s.i_mask = {m};
    return i;
  }
  int32_t AddObjectWith(int32_t sprite, bool solid = false) {
    const int32_t o = AddObject();
    Objects().Get(o)->o_spriteindex = sprite;
    Objects().Get(o)->o_solid = solid;
    return o;
  }
  void Code(int32_t obj, int32_t type, int32_t number, const std::string& text) {
    auto a = CAction::CreateCode(text);
    ASSERT_TRUE(a->Compile()) << text;
    Event(obj, type, number).e_actions.push_back(std::move(a));
  }
};

}  // namespace actions
