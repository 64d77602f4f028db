// The object list, the objects chunk and object compilation; see Object_Main.h.
#include "runner/run/Object_Main.h"

#include <memory>
#include <vector>

#include "runner/run/Event_Main.h"
#include "runner/run/Object_Class.h"
#include "runner/run/Object_Lists.h"
#include "runner/base/Load_Chunks.h"
#include "runner/run/Object_State.h"
#include "runner/base/Support_Stream.h"

namespace {
using Entry = RObjectsState::REntry;

bool Valid(int32_t i) {
  const auto& objects = ObjectsState().objects;
  return i >= 0 && i < static_cast<int32_t>(objects.size()) && objects[static_cast<size_t>(i)].object;
}

// A load starts from an empty list, and a failed one leaves it empty.
void ClearObjects() {
  ClearEventLists();
  ObjectsState().objects.clear();
  ObjectsState().deleted.clear();
}
}  // namespace

int32_t ObjectCount() { return static_cast<int32_t>(ObjectsState().objects.size()); }
bool ObjectExists(int32_t index) { return Valid(index); }
CObject* ObjectGet(int32_t index) {
  return Valid(index) ? ObjectsState().objects[static_cast<size_t>(index)].object.get() : nullptr;
}
std::string ObjectName(int32_t index) {
  return Valid(index) ? ObjectsState().objects[static_cast<size_t>(index)].name : "<undefined>";
}

int32_t ObjectFind(std::string_view name) {
  const auto& objects = ObjectsState().objects;
  for (size_t i = 0; i < objects.size(); ++i)
    if (objects[i].object && objects[i].name == name) return static_cast<int32_t>(i);
  return -1;
}

int32_t ObjectAdd() {
  auto& objects = ObjectsState().objects;
  const auto index = static_cast<int32_t>(objects.size());
  auto obj = std::make_unique<CObject>();
  obj->o_index = index;
  objects.push_back({std::move(obj), "__newobject" + std::to_string(index)});
  return index;
}

bool ObjectDelete(int32_t index) {
  if (!Valid(index)) return false;
  Entry& e = ObjectsState().objects[static_cast<size_t>(index)];
  e.object->Clear();
  ObjectsState().deleted.push_back(std::move(e.object));
  e.name.clear();
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
    Entry& entry = ObjectsState().objects.emplace_back();
    if (!e.ReadBoolean()) continue;
    entry.name = e.ReadString();
    auto obj = std::make_unique<CObject>();
    obj->o_index = i;
    if (!obj->LoadFromStream(e)) {
      ClearObjects();
      return false;
    }
    entry.object = std::move(obj);
  }
  return true;
}

bool CompileObjects() {
  REventContext& ctx = CurrentEvent();
  const REventContext saved = ctx;
  for (int32_t i = 0; i < ObjectCount(); ++i) {
    if (!Valid(i)) continue;
    ctx.owner = i;
    if (!ObjectsState().objects[static_cast<size_t>(i)].object->Compile()) return false;
  }
  ctx = saved;
  return true;
}
