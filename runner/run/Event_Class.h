// CEvent: the action list of one event of an object, its stored record and compilation.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "runner/code/Action_Class.h"

class CStream;

inline constexpr int32_t kEventVersion = 400;

class CEvent {
 public:
  // Frees the actions; while an event runs they are kept until it ends (see ActionWalkScope).
  void Clear();
  // Appends a code action for the text; the caller compiles it.
  CAction& AddCodeAction(std::string_view code);
  // False on a wrong version (the event stays empty); damaged data throws StreamError.
  bool LoadFromStream(CStream& str);
  // Compiles the actions in order with the action index of the current event context set.
  bool Compile();

  int32_t e_number() const { return static_cast<int32_t>(e_actions.size()); }
  CAction& Action(int32_t i) { return *e_actions[static_cast<size_t>(i)]; }

  std::vector<std::unique_ptr<CAction>> e_actions;
};

// Marks an action walk, or a walk over the event object lists, in progress. Actions, events and
// event object lists dropped meanwhile (an action may clear or delete the very event that runs
// it, or add one, which rebuilds the lists) are kept until the outermost walk ends, since the
// walk still holds them.
class ActionWalkScope {
 public:
  ActionWalkScope();
  ~ActionWalkScope();
  ActionWalkScope(const ActionWalkScope&) = delete;
  ActionWalkScope& operator=(const ActionWalkScope&) = delete;
};
// Frees the event now, or at the end of the running walk.
void RetireEvent(std::unique_ptr<CEvent> event);
