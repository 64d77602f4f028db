// CRoom, as far as instances need it: the active instance list, the per-object lists (exact
// and with descendants), the id index, adding instances and removing marked ones. The room
// resource fields, views, backgrounds and tiles join this class with the rooms work.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "runner/run/Instance_Class.h"

class CRoom {
 public:
  CRoom() = default;
  CRoom(const CRoom&) = delete;
  CRoom& operator=(const CRoom&) = delete;

  // Appends a new instance with the next run-time id and adds it to the per-object lists of
  // its object and every ancestor. Runs no event.
  CInstance* AddInstance(double x, double y, int32_t objectind);
  // Appends an instance built elsewhere (loading, carried instances) to the lists.
  CInstance* AppendInstance(std::unique_ptr<CInstance> inst);
  // Frees every active instance and empties the per-object lists.
  void ClearInstances();
  // Frees the marked instances, keeping the order of the rest; rebuilds the per-object lists
  // when any went.
  void RemoveMarked();
  // Clears and refills the per-object lists from the active list.
  void RebuildObjectLists();
  // Call after changing the id of an instance in the room.
  void InvalidateIds() { ids_valid_ = false; }

  int32_t r_numb() const { return static_cast<int32_t>(r_instance.size()); }
  CInstance* Instance(int32_t pos) const {
    return pos >= 0 && pos < r_numb() ? r_instance[static_cast<size_t>(pos)].get() : nullptr;
  }
  int32_t Obj_Number(int32_t objind) const { return ListSize(r_obj_instance, objind); }
  CInstance* Obj_Instance(int32_t objind, int32_t numb) const { return ListAt(r_obj_instance, objind, numb); }
  int32_t Obj_Number_Recursive(int32_t objind) const { return ListSize(r_obj_instance_recursive, objind); }
  CInstance* Obj_Instance_Recursive(int32_t objind, int32_t numb) const {
    return ListAt(r_obj_instance_recursive, objind, numb);
  }
  // The first instance in list order with that id, marked or not; null when none.
  CInstance* FindInstance(int32_t id);

  std::vector<std::unique_ptr<CInstance>> r_instance;
  std::vector<std::vector<CInstance*>> r_obj_instance;
  std::vector<std::vector<CInstance*>> r_obj_instance_recursive;

 private:
  using Lists = std::vector<std::vector<CInstance*>>;
  static int32_t ListSize(const Lists& l, int32_t i) {
    return i >= 0 && i < static_cast<int32_t>(l.size()) ? static_cast<int32_t>(l[static_cast<size_t>(i)].size()) : 0;
  }
  static CInstance* ListAt(const Lists& l, int32_t i, int32_t n) {
    if (n < 0 || n >= ListSize(l, i)) return nullptr;
    return l[static_cast<size_t>(i)][static_cast<size_t>(n)];
  }
  void AddToObjectLists(CInstance* inst);

  std::unordered_map<int32_t, CInstance*> ids_;
  bool ids_valid_ = false;
};
