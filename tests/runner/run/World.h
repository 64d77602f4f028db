// A small world for runtime tests: objects built in code, a room made current, and test
// functions that record their calls so action walks can be read back as a trace.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runner/code/Action_Class.h"
#include "runner/code/Code_Function.h"
#include "runner/run/Event_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Main.h"
#include "runner/functions/Function_Families.h"

namespace world {

// Each call of t_log appends "<argument0>@<self id>/<other id>" (ids 0 for none).
inline std::vector<std::string>& Trace() {
  static std::vector<std::string> t;
  return t;
}
// Values t_ask answers in turn; t_ask logs "?<argument0>" too.
inline std::vector<double>& Answers() {
  static std::vector<double> a;
  return a;
}

inline int32_t IdOf(CInstance* i) { return i ? i->i_id : 0; }

inline void TLog(CInstance* self, CInstance* other, int32_t argc, RValue* argv, RValue&) {
  std::string s = argc > 0 ? (argv[0].IsString() ? std::string(argv[0].str()) : RealText(argv[0].val())) : "";
  Trace().push_back(s + "@" + std::to_string(IdOf(self)) + "/" + std::to_string(IdOf(other)));
}
inline void TAsk(CInstance* self, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  Trace().push_back("?" + (argc > 0 ? std::string(argv[0].str()) : "") + "@" + std::to_string(IdOf(self)));
  double v = 0;
  if (!Answers().empty()) {
    v = Answers().front();
    Answers().erase(Answers().begin());
  }
  result.SetReal(v);
}
inline void TChangeRoom(CInstance*, CInstance*, int32_t, RValue*, RValue&) {
  Trace().push_back("goto");
  SetPendingRoomChange(3);
}

inline void RegisterTestFunctions() {
  static const RFunctionDef kDefs[] = {{"t_log", 1, TLog}, {"t_ask", 1, TAsk}, {"t_goto", 0, TChangeRoom}};
  static bool done = false;
  if (done) return;
  done = true;
  InitFunctions(AllFunctionFamilies());
  RegisterFamily(kDefs);
}

inline int32_t Fn(const char* name) {
  int32_t id = -1;
  FindBuiltinFunction(name, id);
  return id;
}

// Action builders, already in their compiled form.
inline std::unique_ptr<CAction> Log(const std::string& text, int32_t who = -1) {
  auto a = std::make_unique<CAction>(kActNormal);
  a->act_exetype = kExeFunction;
  a->act_functionid = Fn("t_log");
  a->act_argumentcount = 1;
  a->act_argtype[0] = kArgConstant;
  a->act_argvalue[0] = RValue(std::string_view(text));
  a->act_useapplyto = true;
  a->act_who = who;
  return a;
}
inline std::unique_ptr<CAction> Ask(const std::string& text, bool isnot = false, int32_t who = -1) {
  auto a = Log(text, who);
  a->act_functionid = Fn("t_ask");
  a->act_isquestion = true;
  a->act_isnot = isnot;
  return a;
}
inline std::unique_ptr<CAction> Op(int32_t kind) { return std::make_unique<CAction>(kind); }
inline std::unique_ptr<CAction> Repeat(double times) {
  auto a = Op(kActRepeat);
  a->act_argumentcount = 1;
  a->act_argtype[0] = kArgConstant;
  a->act_argvalue[0] = RValue(times);
  return a;
}
inline std::unique_ptr<CAction> GotoRoom() {
  auto a = Op(kActNormal);
  a->act_exetype = kExeFunction;
  a->act_functionid = Fn("t_goto");
  return a;
}

// Fresh objects and a fresh current room per test.
class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestFunctions();
    Trace().clear();
    Answers().clear();
    SetPendingRoomChange(kNoRoomChange);
    SetLastInstanceId(100000);
    SetCurrentRoom(&room);
    CurrentEvent() = {};
  }
  void TearDown() override {
    SetCurrentRoom(nullptr);
    SetPendingRoomChange(kNoRoomChange);
    room.ClearInstances();
  }

  // A new object with the given parent; returns its index.
  int32_t AddObject(int32_t parent = -1) {
    const int32_t i = ObjectAdd();
    Objects().Get(i)->o_parent = parent;
    return i;
  }
  CEvent& Event(int32_t obj, int32_t type, int32_t number) { return *Objects().Get(obj)->CreateEvent(type, number); }
  // Gives the event one action that logs tag.
  void Tag(int32_t obj, int32_t type, int32_t number, const std::string& tag) {
    Event(obj, type, number).e_actions.push_back(Log(tag));
  }

  CRoom room;
};

}  // namespace world
