// CEvent loading and compilation; see Event_Class.h.
#include "runner/run/Event_Class.h"

#include "runner/run/Event_Main.h"
#include "runner/run/Object_State.h"
#include "runner/base/Support_Stream.h"

ActionWalkScope::ActionWalkScope() { ++ObjectsState().walkDepth; }

ActionWalkScope::~ActionWalkScope() {
  RObjectsState& st = ObjectsState();
  if (--st.walkDepth > 0) return;
  // Freeing an event may retire more; keep going until nothing is left.
  while (!st.retiredEvents.empty() || !st.retiredActions.empty()) {
    auto events = std::move(st.retiredEvents);
    auto actions = std::move(st.retiredActions);
    st.retiredEvents.clear();
    st.retiredActions.clear();
  }
  st.retiredLists.clear();
}

void RetireEvent(std::unique_ptr<CEvent> event) {
  RObjectsState& st = ObjectsState();
  if (st.walkDepth > 0 && event) st.retiredEvents.push_back(std::move(event));
}

void CEvent::Clear() {
  RObjectsState& st = ObjectsState();
  if (st.walkDepth > 0)
    for (auto& a : e_actions) st.retiredActions.push_back(std::move(a));
  e_actions.clear();
}

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
