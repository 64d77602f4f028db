// Event object lists and the collision pair list; see Object_Lists.h.
#include "runner/run/Object_Lists.h"

#include "runner/run/Object_Main.h"

namespace {
int32_t g_triggerCount = 0;
std::vector<std::vector<REventTarget>> g_lists[kEventTypeCount];
std::vector<RCollisionPair> g_pairs;
bool g_built = false;
}  // namespace

int32_t EventListRange(int32_t etype) {
  switch (etype) {
    case ev_create:
    case ev_destroy:
    case ev_draw: return 1;
    case ev_alarm: return 13;
    case ev_step: return 17;
    case ev_keyboard:
    case ev_keypress:
    case ev_keyrelease:
    case ev_mouse:
    case ev_other: return 129;
    case ev_trigger: return g_triggerCount;
    default: return 0;  // collisions use the pair list
  }
}

void SetEventListTriggerCount(int32_t count) { g_triggerCount = count < 0 ? 0 : count; }

void ClearEventLists() {
  for (auto& l : g_lists) l.clear();
  g_pairs.clear();
  g_built = false;
}

bool EventListsBuilt() { return g_built; }

void BuildEventLists() {
  ClearEventLists();
  const int32_t objects = ObjectCount();
  for (int32_t t = 0; t < kEventTypeCount; ++t) {
    auto& table = g_lists[t];
    table.resize(static_cast<size_t>(EventListRange(t)));
    for (int32_t o = 0; o < objects; ++o) {
      const CObject* obj = ObjectGet(o);
      // Most objects react to few types; skip the numbers of a type the chain never has.
      if (!obj || !obj->HasEventRecursive(t)) continue;
      for (size_t n = 0; n < table.size(); ++n)
        if (REventRef r = obj->GetEventRecursive(t, static_cast<int32_t>(n))) table[n].push_back({o, r});
    }
  }
  std::vector<char> has(static_cast<size_t>(objects));
  for (int32_t o = 0; o < objects; ++o) {
    const CObject* obj = ObjectGet(o);
    has[static_cast<size_t>(o)] = obj && obj->HasEventRecursive(ev_collision);
  }
  for (int32_t a = 0; a < objects; ++a) {
    const CObject* oa = ObjectGet(a);
    if (!oa) continue;
    const bool aHas = has[static_cast<size_t>(a)];
    for (int32_t b = a; b < objects; ++b) {
      const CObject* ob = ObjectGet(b);
      if (!ob || (!aHas && !has[static_cast<size_t>(b)])) continue;
      const REventRef ab = aHas ? oa->GetEventRecursive(ev_collision, b) : REventRef{};
      const REventRef ba = has[static_cast<size_t>(b)] ? ob->GetEventRecursive(ev_collision, a) : REventRef{};
      if (ab || ba) g_pairs.push_back({a, b, ab, ba});
    }
  }
  g_built = true;
}

std::span<const REventTarget> EventObjectList(int32_t etype, int32_t enumb) {
  if (etype < 0 || etype >= kEventTypeCount || enumb < 0) return {};
  const auto& table = g_lists[etype];
  if (static_cast<size_t>(enumb) >= table.size()) return {};
  return table[static_cast<size_t>(enumb)];
}

std::span<const RCollisionPair> CollisionPairs() { return g_pairs; }

