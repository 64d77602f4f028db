// CEvent loading and compilation; see Event_Class.h.
#include "runner/run/Event_Class.h"

#include "runner/run/Event_Main.h"
#include "runner/shell/Support_Stream.h"

CAction& CEvent::AddCodeAction(std::string_view code) {
  e_actions.push_back(CAction::CreateCode(code));
  return *e_actions.back();
}

bool CEvent::LoadFromStream(CStream& s) {
  Clear();
  if (s.ReadInteger() != kEventVersion) return false;
  const int32_t count = s.ReadInteger();
  // Every action takes at least its version integer, so a count beyond the data is damaged;
  // actions are added as they are read.
  if (count < 0 || int64_t{count} * 4 > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad action count");
  for (int32_t i = 0; i < count; ++i) {
    auto a = std::make_unique<CAction>();
    a->LoadFromStream(s);
    e_actions.push_back(std::move(a));
  }
  return true;
}

bool CEvent::Compile() {
  for (int32_t i = 0; i < e_number(); ++i) {
    CurrentEvent().action = i;
    if (!Action(i).Compile()) return false;
  }
  return true;
}
