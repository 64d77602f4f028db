// CRoom instance lists; see Room_Class.h.
#include "runner/run/Room_Class.h"

#include <algorithm>

#include "runner/run/Object_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Run_Main.h"

CInstance* CRoom::AddInstance(double x, double y, int32_t objectind) {
  return AppendInstance(std::make_unique<CInstance>(x, y, NextInstanceId(), objectind));
}

CInstance* CRoom::AppendInstance(std::unique_ptr<CInstance> inst) {
  CInstance* p = inst.get();
  r_instance.push_back(std::move(inst));
  AddToObjectLists(p);
  if (ids_valid_) ids_.try_emplace(p->i_id, p);
  return p;
}

void CRoom::AddToObjectLists(CInstance* inst) {
  const int32_t obj = inst->i_objectindex;
  const auto count = static_cast<size_t>(ObjectCount());
  if (r_obj_instance.size() < count) r_obj_instance.resize(count);
  if (r_obj_instance_recursive.size() < count) r_obj_instance_recursive.resize(count);
  if (obj >= 0 && static_cast<size_t>(obj) < r_obj_instance.size()) r_obj_instance[static_cast<size_t>(obj)].push_back(inst);
  // The step limit ends a walk round a cycle of parents; an object met again on the way
  // already has the instance at the end of its list.
  int32_t steps = ObjectCount();
  for (const CObject* o = ObjectGet(obj); o && steps-- > 0; o = ParentOf(*o)) {
    auto& list = r_obj_instance_recursive[static_cast<size_t>(o->o_index)];
    if (list.empty() || list.back() != inst) list.push_back(inst);
  }
}

void CRoom::ClearInstances() {
  r_instance.clear();
  r_obj_instance.clear();
  r_obj_instance_recursive.clear();
  ids_.clear();
  ids_valid_ = false;
}

void CRoom::RemoveMarked() {
  auto keep = std::stable_partition(r_instance.begin(), r_instance.end(), [](const auto& i) { return !i->i_marked; });
  if (keep == r_instance.end()) return;
  r_instance.erase(keep, r_instance.end());
  RebuildObjectLists();
}

void CRoom::RebuildObjectLists() {
  r_obj_instance.assign(static_cast<size_t>(ObjectCount()), {});
  r_obj_instance_recursive.assign(static_cast<size_t>(ObjectCount()), {});
  for (const auto& inst : r_instance) AddToObjectLists(inst.get());
  ids_valid_ = false;
}

CInstance* CRoom::FindInstance(int32_t id) {
  if (ids_valid_) {
    auto it = ids_.find(id);
    // An id changed since the index was built shows as a mismatch; rebuild then.
    if (it == ids_.end()) return nullptr;
    if (it->second->i_id == id) return it->second;
  }
  ids_.clear();
  for (const auto& inst : r_instance) ids_.try_emplace(inst->i_id, inst.get());
  ids_valid_ = true;
  auto it = ids_.find(id);
  return it == ids_.end() ? nullptr : it->second;
}

// To be completed with the room resource.
namespace {
BackgroundSizeLookup g_backgroundSize = nullptr;
}
void SetBackgroundSizeLookup(BackgroundSizeLookup lookup) { g_backgroundSize = lookup; }
bool GetBackgroundSize(int32_t background, int32_t& width, int32_t& height) {
  return background >= 0 && g_backgroundSize && g_backgroundSize(background, width, height);
}
void CRoom::Clear() {}
void CRoom::Assign(const CRoom&) {}
bool CRoom::LoadFromStream(CStream&) { return false; }
void CRoom::SortInstances() {}
void CRoom::UpdateActive() {}
void CRoom::ScrollBackground() {}
void CRoom::FollowViews() {}
int32_t CRoom::AddTile(const RTile&) { return -1; }
void CRoom::ClearTiles() {}
void CRoom::DeleteTilesAt(double, double, bool) {}
int32_t CRoom::FindTile(int32_t) { return -1; }
int32_t CRoom::FindTileAt(double, double, bool) { return -1; }
void CRoom::DeleteTile(int32_t) {}
void CRoom::SortTiles() {}
void CRoom::HideTilesDepth(double) {}
void CRoom::ShowTilesDepth(double) {}
void CRoom::DeleteTilesDepth(double) {}
void CRoom::ShiftTilesDepth(double, double, double) {}
int32_t CRoom::FindTileAtDepth(double, double, double) { return -1; }
void CRoom::DeleteTilesAtDepth(double, double, double) {}
void CRoom::ChangeTilesDepth(double, double) {}
bool CRoom::GetTile(int32_t, RTile&) const { return false; }
void CRoom::SetTile(int32_t, const RTile&) {}
