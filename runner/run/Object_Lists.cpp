// Event object lists and the collision pair list; see Object_Lists.h.
#include "runner/run/Object_Lists.h"

#include <algorithm>

#include "runner/run/Object_Main.h"
#include "runner/run/Object_State.h"

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
    case ev_trigger: return ObjectsState().triggerCount;
    default: return 0;  // collisions use the pair list
  }
}

void SetEventListTriggerCount(int32_t count) { ObjectsState().triggerCount = count < 0 ? 0 : count; }

void ClearEventLists() {
  RObjectsState& st = ObjectsState();
  // An event that adds, clears or deletes events rebuilds the lists while the step walks them.
  if (st.walkDepth > 0 && st.listsBuilt) {
    RObjectsState::RRetiredLists& old = st.retiredLists.emplace_back();
    for (int32_t t = 0; t < kEventTypeCount; ++t) old.lists[t] = std::move(st.lists[t]);
    old.pairs = std::move(st.pairs);
  }
  for (auto& l : st.lists) l.clear();
  st.pairs.clear();
  st.listsBuilt = false;
}

bool EventListsBuilt() { return ObjectsState().listsBuilt; }

namespace {
// What each object finds through its parent chain, worked out once per object: the object's
// own answer when it has one, else its parent's. An object met again on one walk (a cycle of
// parents) ends the walk with nothing found, as a bounded walk would. Linear in the object
// count however long the chains are.
template <typename T, typename Own>
std::vector<T> ResolveChains(int32_t objects, Own own) {
  std::vector<T> res(static_cast<size_t>(objects));
  std::vector<char> state(static_cast<size_t>(objects), 0);  // 0 new, 1 on this walk, 2 done
  std::vector<int32_t> path;
  for (int32_t o = 0; o < objects; ++o) {
    if (state[static_cast<size_t>(o)] == 2) continue;
    path.clear();
    T found{};
    for (int32_t cur = o;;) {
      const CObject* obj = Objects().Get(cur);
      if (!obj) break;
      const auto c = static_cast<size_t>(cur);
      if (state[c] == 2) {
        found = res[c];
        break;
      }
      if (state[c] == 1) break;
      if (T mine = own(*obj)) {
        found = res[c] = mine;
        state[c] = 2;
        break;
      }
      state[c] = 1;
      path.push_back(cur);
      cur = obj->o_parent;
    }
    for (int32_t p : path) {
      res[static_cast<size_t>(p)] = found;
      state[static_cast<size_t>(p)] = 2;
    }
  }
  return res;
}
}  // namespace

void BuildEventLists() {
  ClearEventLists();
  RObjectsState& st = ObjectsState();
  const int32_t objects = Objects().Count();
  std::vector<char> hasCollision;
  for (int32_t t = 0; t < kEventTypeCount; ++t) {
    const std::vector<char> has =
        ResolveChains<char>(objects, [t](const CObject& o) { return static_cast<char>(o.HasEventDirect(t)); });
    if (t == ev_collision) hasCollision = has;
    auto& table = st.lists[t];
    table.resize(static_cast<size_t>(EventListRange(t)));
    // Only numbers some object has an event for can be found by any.
    std::vector<char> used(table.size(), 0);
    for (int32_t o = 0; o < objects; ++o)
      if (const CObject* obj = Objects().Get(o))
        for (const auto& [n, e] : obj->o_events[static_cast<size_t>(t)])
          if (static_cast<size_t>(n) < used.size() && e->e_number() > 0) used[static_cast<size_t>(n)] = 1;
    for (size_t n = 0; n < table.size(); ++n) {
      if (!used[n]) continue;
      const auto found = ResolveChains<REventRef>(objects, [t, n](const CObject& o) {
        return REventRef{o.GetEventDirect(t, static_cast<int32_t>(n)), o.o_index};
      });
      for (int32_t o = 0; o < objects; ++o)
        if (has[static_cast<size_t>(o)] && found[static_cast<size_t>(o)]) table[n].push_back({o, found[static_cast<size_t>(o)]});
    }
  }
  // Pairs in order of a, then b; a pair needs a side with collision events, so an object
  // without any only pairs with the objects that have some.
  std::vector<int32_t> withCollision;
  for (int32_t o = 0; o < objects; ++o)
    if (hasCollision[static_cast<size_t>(o)]) withCollision.push_back(o);
  auto addPair = [&](int32_t a, int32_t b) {
    const CObject* oa = Objects().Get(a);
    const CObject* ob = Objects().Get(b);
    if (!oa || !ob) return;
    const REventRef ab = hasCollision[static_cast<size_t>(a)] ? oa->GetEventRecursive(ev_collision, b) : REventRef{};
    const REventRef ba = hasCollision[static_cast<size_t>(b)] ? ob->GetEventRecursive(ev_collision, a) : REventRef{};
    if (ab || ba) st.pairs.push_back({a, b, ab, ba});
  };
  for (int32_t a = 0; a < objects && !withCollision.empty(); ++a) {
    if (!Objects().Get(a)) continue;
    if (hasCollision[static_cast<size_t>(a)]) {
      for (int32_t b = a; b < objects; ++b) addPair(a, b);
    } else {
      for (auto it = std::lower_bound(withCollision.begin(), withCollision.end(), a); it != withCollision.end(); ++it)
        addPair(a, *it);
    }
  }
  st.listsBuilt = true;
}

std::span<const REventTarget> EventObjectList(int32_t etype, int32_t enumb) {
  if (etype < 0 || etype >= kEventTypeCount || enumb < 0) return {};
  const auto& table = ObjectsState().lists[etype];
  if (static_cast<size_t>(enumb) >= table.size()) return {};
  return table[static_cast<size_t>(enumb)];
}

std::span<const RCollisionPair> CollisionPairs() { return ObjectsState().pairs; }


REventRef ListedEvent(std::span<const REventTarget> list, int32_t object) {
  if (list.empty()) return {};
  const auto it = std::lower_bound(list.begin(), list.end(), object,
                                   [](const REventTarget& t, int32_t o) { return t.object < o; });
  return it != list.end() && it->object == object ? it->found : REventRef{};
}
