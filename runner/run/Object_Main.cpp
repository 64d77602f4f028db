// The object list, the objects chunk and object compilation; see Object_Main.h.
#include "runner/run/Object_Main.h"

#include <memory>
#include <string>
#include <vector>

#include "runner/run/Event_Main.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Lists.h"
#include "runner/base/Load_Chunks.h"
#include "runner/run/Object_State.h"
#include "runner/base/Support_Stream.h"

namespace {
// A load starts from an empty list, and a failed one leaves it empty.
void ClearObjects() {
  ClearEventLists();
  ObjectsState().objects.Clear();
  ObjectsState().deleted.clear();
}
}  // namespace

TResourceList<CObject>& Objects() { return ObjectsState().objects; }

int32_t ObjectAdd() {
  const int32_t index = Objects().Add();
  Objects().Get(index)->o_index = index;
  return index;
}

bool ObjectDelete(int32_t index) {
  CObject* o = Objects().Get(index);
  if (!o) return false;
  o->Clear();
  ObjectsState().deleted.push_back(Objects().Release(index));
  if (EventListsBuilt()) BuildEventLists();  // they point at the events just freed
  return true;
}

bool LoadObjects(CStream& s) {
  ClearObjects();
  if (s.ReadInteger() != kObjectsChunkVersion) return false;
  const int32_t count = s.ReadInteger();
  // Each entry is a compressed block of at least its length integer; entries are added as
  // they are read, so the count alone allocates nothing.
  if (count < 0 || int64_t{count} * 4 > int64_t{s.GetSize()} - s.GetPosition()) throw StreamError("bad object count");
  for (int32_t i = 0; i < count; ++i) {
    CStream e = s.ReadStreamC();
    Objects().Put(i, nullptr, std::string());
    if (!e.ReadBoolean()) continue;
    std::string name = e.ReadString();
    auto obj = std::make_unique<CObject>();
    obj->o_index = i;
    if (!obj->LoadFromStream(e)) {
      ClearObjects();
      return false;
    }
    Objects().Put(i, std::move(obj), std::move(name));
  }
  return true;
}

bool CompileObjects() {
  REventContext& ctx = CurrentEvent();
  const REventContext saved = ctx;
  for (int32_t i = 0; i < Objects().Count(); ++i) {
    CObject* o = Objects().Get(i);
    if (!o) continue;
    ctx.owner = i;
    if (!o->Compile()) return false;
  }
  ctx = saved;
  return true;
}
