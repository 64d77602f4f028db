// CObject record, event slots and parent-chain lookups; see Object_Class.h.
#include "runner/run/Object_Class.h"

#include <algorithm>

#include "runner/run/Event_Main.h"
#include "runner/run/Object_Main.h"
#include "runner/base/Support_Stream.h"

namespace {
// Calls f on obj and its ancestors, nearest first, until f returns true. The step limit ends a
// walk round a cycle of parents.
template <typename F>
bool WalkChain(const CObject* obj, F f) {
  for (int32_t steps = Objects().Count() + 1; obj && steps-- > 0; obj = ParentOf(*obj))
    if (f(*obj)) return true;
  return false;
}

using Slots = std::vector<std::pair<int32_t, std::unique_ptr<CEvent>>>;

Slots::const_iterator FindSlot(const Slots& slots, int32_t n) {
  auto it = std::lower_bound(slots.begin(), slots.end(), n, [](const auto& s, int32_t v) { return s.first < v; });
  return it != slots.end() && it->first == n ? it : slots.end();
}
}  // namespace

const CObject* ParentOf(const CObject& obj) { return Objects().Get(obj.o_parent); }

void CObject::Clear() {
  o_spriteindex = -1;
  o_solid = false;
  o_visible = true;
  o_depth = 0;
  o_persistent = false;
  o_parent = -1;
  o_mask = -1;
  for (auto& t : o_events) {
    for (auto& slot : t) {
      slot.second->Clear();  // a walk in this event stops at its next action
      RetireEvent(std::move(slot.second));
    }
    t.clear();
  }
}

CEvent* CObject::CreateEvent(int32_t etype, int32_t enumb) {
  if (etype < 0 || etype >= kEventTypeCount || enumb < 0) return nullptr;
  Slots& slots = o_events[static_cast<size_t>(etype)];
  auto it = std::lower_bound(slots.begin(), slots.end(), enumb, [](const auto& s, int32_t v) { return s.first < v; });
  if (it == slots.end() || it->first != enumb) it = slots.emplace(it, enumb, std::make_unique<CEvent>());
  return it->second.get();
}

bool CObject::LoadFromStream(CStream& s) {
  Clear();
  if (s.ReadInteger() != kObjectVersion) return false;
  o_spriteindex = s.ReadInteger();
  o_solid = s.ReadBoolean();
  o_visible = s.ReadBoolean();
  o_depth = s.ReadInteger();
  o_persistent = s.ReadBoolean();
  o_parent = s.ReadInteger();
  o_mask = s.ReadInteger();
  const int32_t last = s.ReadInteger();
  for (int64_t t = 0; t <= last; ++t) {
    for (;;) {
      const int32_t n = s.ReadInteger();
      if (n < 0) break;
      CEvent* e = CreateEvent(static_cast<int32_t>(t), n);
      // Types above 11 have no slot; their records are read past and dropped.
      CEvent scratch;
      (e ? *e : scratch).LoadFromStream(s);
    }
  }
  return true;
}

bool CObject::Compile() {
  REventContext& ctx = CurrentEvent();
  for (int32_t t = 0; t < kEventTypeCount; ++t) {
    for (auto& [n, e] : o_events[static_cast<size_t>(t)]) {
      ctx.type = t;
      ctx.number = n;
      ctx.action = 0;
      if (!e->Compile()) return false;
    }
  }
  return true;
}

CEvent* CObject::GetEventDirect(int32_t etype, int32_t enumb) const {
  if (etype < 0 || etype >= kEventTypeCount || enumb < 0) return nullptr;
  const Slots& slots = o_events[static_cast<size_t>(etype)];
  auto it = FindSlot(slots, enumb);
  return it != slots.end() && it->second->e_number() > 0 ? it->second.get() : nullptr;
}

bool CObject::HasEventDirect(int32_t etype) const {
  if (etype < 0 || etype >= kEventTypeCount) return false;
  const Slots& slots = o_events[static_cast<size_t>(etype)];
  return std::any_of(slots.begin(), slots.end(), [](const auto& s) { return s.second->e_number() > 0; });
}

REventRef CObject::GetEventRecursive(int32_t etype, int32_t enumb) const {
  REventRef found;
  auto lookFor = [&](int32_t number) {
    return WalkChain(this, [&](const CObject& o) {
      found.event = o.GetEventDirect(etype, number);
      found.owner = o.o_index;
      return found.event != nullptr;
    });
  };
  if (lookFor(enumb)) return found;
  if (etype == ev_collision) {
    const CObject* b = Objects().Get(enumb);
    if (b && WalkChain(ParentOf(*b), [&](const CObject& p) { return lookFor(p.o_index); })) return found;
  }
  return {};
}

bool CObject::HasEventRecursive(int32_t etype) const {
  return WalkChain(this, [&](const CObject& o) { return o.HasEventDirect(etype); });
}

bool CObject::IsDecendentOf(int32_t objind) const {
  return WalkChain(ParentOf(*this), [&](const CObject& o) { return o.o_index == objind; });
}
