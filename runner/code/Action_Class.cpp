// CAction record, loading and compilation; see Action_Class.h.
#include "runner/base/Runner_Process.h"
#include "runner/code/Action_Class.h"

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/base/Support_Stream.h"

CAction::CAction(int32_t kind) : act_kind(kind) {}

std::unique_ptr<CAction> CAction::CreateCode(std::string_view code) {
  auto a = std::make_unique<CAction>(kActCode);
  a->act_exetype = kExeCode;
  a->act_argstring[0] = code;
  return a;
}

void CAction::Clear() {
  for (auto& s : act_argstring) s.clear();
  for (auto& c : act_argcode) c.reset();
  act_functionid = -1;
}

int32_t ResolveActionFunction(std::string_view name) {
  int32_t id = -1;
  if (GetCompileContext().FindFunction(name, id)) return id;
  if (FindBuiltinFunction(name, id)) return id;
  return -1;
}

namespace {
// A stored count of up to eight slots. Extra entries are read past so the record stays
// aligned; a negative count stores none.
template <typename T, typename Read>
void ReadSlots(CStream& s, std::array<T, kActionArgs>& slots, Read read) {
  const int32_t n = s.ReadInteger();
  for (int32_t i = 0; i < n; ++i) {
    T v = read();
    if (i < kActionArgs) slots[static_cast<size_t>(i)] = std::move(v);
  }
}

// The compiler's error becomes the fatal message and is then done with: an action compiled while
// code runs (an event added at run time) must not leave it pending for the code that asked.
void ShowCompilationError(const std::string& heading) {
  const std::string message = heading + CodeError().message;
  ClearCodeError();
  ShowActionError(message, true);
}
}  // namespace

bool CAction::LoadFromStream(CStream& s) {
  Clear();
  if (s.ReadInteger() != kActionVersion) return true;
  act_libid = s.ReadInteger();
  act_id = s.ReadInteger();
  act_kind = s.ReadInteger();
  act_userelative = s.ReadBoolean();
  act_isquestion = s.ReadBoolean();
  act_useapplyto = s.ReadBoolean();
  act_exetype = s.ReadInteger();
  const std::string name = s.ReadString();
  act_functionid = ResolveActionFunction(name);
  if (act_functionid < 0 && act_exetype == kExeFunction) ShowLoadMessage(std::string(kMsgFailedToLocate) + EscapedForMessage(name));
  act_codestring = s.ReadString();
  const int32_t count = s.ReadInteger();
  act_argumentcount = count < 0 ? 0 : count > kActionArgs ? kActionArgs : count;
  ReadSlots(s, act_argtype, [&] { return s.ReadInteger(); });
  act_who = s.ReadInteger();
  act_relative = s.ReadBoolean();
  ReadSlots(s, act_argstring, [&] { return s.ReadString(); });
  act_isnot = s.ReadBoolean();
  return true;
}

bool CAction::Compile() {
  if (act_kind == kActVariable) {
    act_codestring = act_argstring[0] + (act_relative ? " += " : " = ") + act_argstring[1];
    act_kind = kActNormal;
    act_argumentcount = 0;
  } else if (act_kind == kActCode) {
    act_codestring = act_argstring[0];
    act_kind = kActNormal;
    act_argumentcount = 0;
  }
  if (act_exetype == kExeCode) {
    act_codecode = std::make_unique<CCode>(act_codestring, false);
    if (!act_codecode->Compile()) {
      ShowCompilationError("COMPILATION ERROR in code action\r");
      return false;
    }
  }
  act_codestring.clear();
  for (auto& c : act_argcode) c.reset();
  for (int32_t i = 0; i < act_argumentcount; ++i) {
    const auto k = static_cast<size_t>(i);
    std::string& text = act_argstring[k];
    int32_t& kind = act_argtype[k];
    if (kind == 2) kind = !text.empty() && (text[0] == '\'' || text[0] == '"') ? kArgExpression : 1;
    if (kind == 1 || kind == 15) {
      act_argvalue[k] = RValue(std::string_view(text));
      kind = kArgConstant;
    } else {
      kind = kArgExpression;
      auto code = std::make_unique<CCode>(text, true);
      if (!code->Compile()) {
        ShowCompilationError("COMPILATION ERROR in argument " + std::to_string(i) + "\r");
        return false;
      }
      if (code->i_kind == CCode::kConstantExpression) {
        act_argvalue[k] = code->i_value;
        kind = kArgConstant;
      } else {
        act_argcode[k] = std::move(code);
      }
    }
    text.clear();
  }
  return true;
}
