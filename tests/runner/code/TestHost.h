// A small stand-in world for interpreter tests: objects with parents, a room of instances,
// a few built-in variables, test-only built-in functions whose output is collected, and an
// error sink that records every message shown.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runner/code/Code_Constant.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Variable_BuiltIn.h"
#include "runner/code/Variable_Main.h"
#include "runner/functions/Function_Families.h"

struct TestInstance {
  int32_t id = 0;
  int32_t object = 0;
  bool marked = false;
  double x = 0, y = 0;
  CVariableList vars;
};

// Messages and trace output in the order they happened.
inline std::string& TestOutput() {
  static std::string out;
  return out;
}

// Shows carriage returns as new lines indented with "  | " so messages read as they display.
inline std::string ShowText(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\r')
      out += "\n  | ";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

inline std::string ShowValue(const RValue& v) {
  return v.IsReal() ? RealText(v.val()) : "\"" + ShowText(v.str()) + "\"";
}

class TestHost : public ExecHost {
 public:
  static CInstance* C(TestInstance* t) { return reinterpret_cast<CInstance*>(t); }
  static TestInstance* T(CInstance* c) { return reinterpret_cast<TestInstance*>(c); }

  // Objects 0..3: obj_a, obj_b (child of obj_a), obj_c, obj_d (child of obj_b).
  std::vector<int32_t> parent{-1, 0, -1, 1};
  std::vector<std::unique_ptr<TestInstance>> room;
  std::vector<std::unique_ptr<TestInstance>> temps;
  int32_t next_id = 100001;
  int32_t score = 0;

  TestInstance* Create(int32_t object) {
    room.push_back(std::make_unique<TestInstance>());
    TestInstance* t = room.back().get();
    t->id = next_id++;
    t->object = object;
    return t;
  }

  bool Descends(int32_t object, int32_t ancestor) const {
    for (int32_t o = object, steps = 0; o >= 0 && steps < 100; ++steps) {
      if (o == ancestor) return true;
      o = static_cast<size_t>(o) < parent.size() ? parent[static_cast<size_t>(o)] : -1;
    }
    return false;
  }

  std::vector<TestInstance*> OfObject(int32_t object) const {
    std::vector<TestInstance*> list;
    for (const auto& t : room)
      if (Descends(t->object, object)) list.push_back(t.get());
    return list;
  }

  CInstance* InstanceById(int32_t id) override {
    for (const auto& t : room)
      if (t->id == id) return C(t.get());
    return nullptr;
  }
  bool IsMarked(CInstance* inst) override { return T(inst)->marked; }
  CVariableList* InstanceVars(CInstance* inst) override { return &T(inst)->vars; }
  int32_t RoomInstanceCount() override { return static_cast<int32_t>(room.size()); }
  CInstance* RoomInstanceAt(int32_t pos) override { return C(room[static_cast<size_t>(pos)].get()); }
  int32_t ObjectInstanceCount(int32_t object) override {
    return static_cast<int32_t>(OfObject(object).size());
  }
  CInstance* ObjectInstanceAt(int32_t object, int32_t pos) override {
    return C(OfObject(object)[static_cast<size_t>(pos)]);
  }
  bool GetBuiltIn(CInstance* inst, int32_t id, int32_t arr, RValue& out) override {
    std::string_view name = BuiltInVarName(id);
    TestInstance* t = T(inst);
    if (name == "x") out.SetReal(t->x);
    else if (name == "y") out.SetReal(t->y);
    else if (name == "id") out.SetReal(t->id);
    else if (name == "object_index") out.SetReal(t->object);
    else if (name == "score") out.SetReal(score);
    else return false;
    return true;
  }
  bool SetBuiltIn(CInstance* inst, int32_t id, int32_t arr, const RValue& v) override {
    std::string_view name = BuiltInVarName(id);
    if (name == "x") T(inst)->x = v.val();
    else if (name == "y") T(inst)->y = v.val();
    else if (name == "score") score = RoundToInt32(v.val());
    else return false;
    return true;
  }
  CInstance* CreateTempInstance() override {
    temps.push_back(std::make_unique<TestInstance>());
    return C(temps.back().get());
  }
  void DestroyTempInstance(CInstance* inst) override {
    for (auto it = temps.begin(); it != temps.end(); ++it)
      if (it->get() == T(inst)) {
        temps.erase(it);
        return;
      }
  }
};

// Test-only built-ins: trace(values...) prints a line; test_create(object) adds an instance and
// returns its id; test_destroy(id) marks an instance as destroyed.
void F_Trace(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue&);
void F_TestCreate(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result);
void F_TestDestroy(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue&);

inline TestHost*& CurrentTestHost() {
  static TestHost* host = nullptr;
  return host;
}

inline void F_Trace(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue&) {
  std::string line = "trace:";
  for (int32_t i = 0; i < argc; ++i) line += " " + ShowValue(argv[i]);
  TestOutput() += line + "\n";
}

inline void F_TestCreate(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue& result) {
  result.SetReal(CurrentTestHost()->Create(RoundToInt32(argv[0].val()))->id);
}

inline void F_TestDestroy(CInstance*, CInstance*, int32_t argc, RValue* argv, RValue&) {
  if (CInstance* c = CurrentTestHost()->InstanceById(RoundToInt32(argv[0].val())))
    TestHost::T(c)->marked = true;
}

inline void RecordError(std::string_view message, bool fatal) {
  TestOutput() += (fatal ? "FATAL ERROR: " : "ERROR: ") + ShowText(message) + "\n";
}

inline bool LookupTestResource(ResourceKind kind, std::string_view name, int32_t& index) {
  static const char* const kObjects[] = {"obj_a", "obj_b", "obj_c", "obj_d"};
  if (kind != ResourceKind::Object) return false;
  for (int32_t i = 0; i < 4; ++i)
    if (name == kObjects[i]) {
      index = i;
      return true;
    }
  return false;
}

// Registers the built-in families and the test family once per process, and installs the
// interpreter with the runner's compile context and the test world's objects.
inline void InitTestRuntime() {
  static bool done = [] {
    static constexpr RFunctionDef kTestFunctions[] = {
        {"trace", kArgsAny, F_Trace},
        {"test_create", 1, F_TestCreate},
        {"test_destroy", 1, F_TestDestroy},
    };
    InitFunctions(AllFunctionFamilies());
    RegisterFamily(kTestFunctions);
    return true;
  }();
  (void)done;
  TheRunnerCompileContext().resources = LookupTestResource;
  InitInterpreter();
}

// A fresh world for one test: instances 100001 (obj_a, self), 100002 (obj_b), 100003 (obj_c,
// other), 100004 (obj_b), 100005 (obj_d); globals, arguments and settings reset.
struct ScopedTestWorld {
  ScopedTestWorld() {
    InitTestRuntime();
    for (int32_t o : {0, 1, 2, 1, 3}) host.Create(o);
    SetExecHost(&host);
    CurrentTestHost() = &host;
    SetErrorSink(RecordError);
    GlobalVars().Reset();
    RArgumentState& a = Arguments();
    for (int32_t i = 0; i < kMaxFunctionArgs; ++i) a.slots[i].SetReal(0.0);
    a.count = 0;
    a.relative = 0;
    a.script_name = "<unknown>";
    LanguageState().uninit_zero = false;  // a test may run several worlds, each with its settings
    LanguageState().script_arg_errors = false;
    ClearCodeError();
    TestOutput().clear();
  }
  ~ScopedTestWorld() {
    SetExecHost(nullptr);
    CurrentTestHost() = nullptr;
    SetErrorSink(nullptr);
    SetCompileContext(nullptr);
    SetConstantEvaluator(nullptr);
  }
  CInstance* Self() { return TestHost::C(host.room[0].get()); }
  CInstance* Other() { return TestHost::C(host.room[2].get()); }

  TestHost host;
};
