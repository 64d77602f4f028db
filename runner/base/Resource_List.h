// The list that holds one kind of resource by index with its names; every kind (scripts,
// objects, rooms, sprites, backgrounds, fonts, sounds) is held on it, in its owner's state.
// Entries may be empty (deleted); indices never move, and the list only shrinks when an add
// fails.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

template <class T>
class TResourceList {
 public:
  explicit TResourceList(const char* newPrefix) : r_prefix(newPrefix) {}

  int32_t Count() const { return static_cast<int32_t>(r_items.size()); }
  bool Exists(int32_t index) const { return index >= 0 && index < Count() && r_items[index] != nullptr; }
  T* Get(int32_t index) const { return index >= 0 && index < Count() ? r_items[index].get() : nullptr; }
  std::string Name(int32_t index) const { return Exists(index) ? r_names[index] : std::string("<undefined>"); }
  // Lowest existing index with exactly that name (case-sensitive), else -1.
  int32_t Find(std::string_view name) const {
    for (int32_t i = 0; i < Count(); ++i)
      if (r_items[i] && r_names[i] == name) return i;
    return -1;
  }
  // Appends an empty resource named prefix + index; returns the index.
  int32_t Add() {
    r_items.push_back(std::make_unique<T>());
    r_names.push_back(r_prefix + std::to_string(Count() - 1));
    return Count() - 1;
  }
  // Removes the last entry (an add that failed).
  void DropLast() {
    if (r_items.empty()) return;
    r_items.pop_back();
    r_names.pop_back();
  }
  // Sets slot index (growing the list) with its name.
  void Put(int32_t index, std::unique_ptr<T> item, std::string name) {
    if (index < 0) return;
    if (index >= Count()) {
      r_items.resize(index + 1);
      r_names.resize(index + 1);
    }
    r_items[index] = std::move(item);
    r_names[index] = std::move(name);
  }
  // Creates the entry when the slot is in range and empty; null out of range.
  T* Ensure(int32_t index) {
    if (index < 0 || index >= Count()) return nullptr;
    if (!r_items[index]) r_items[index] = std::make_unique<T>();
    return r_items[index].get();
  }
  bool Delete(int32_t index) {
    if (!Exists(index)) return false;
    r_items[index].reset();
    r_names[index].clear();
    return true;
  }
  void Clear() {
    r_items.clear();
    r_names.clear();
  }
  // Empties the entry like Delete but hands its resource to the caller, for a kind whose
  // deleted resources must outlive the entry (objects that instances still point at).
  std::unique_ptr<T> Release(int32_t index) {
    if (!Exists(index)) return nullptr;
    r_names[index].clear();
    return std::move(r_items[index]);
  }
  // The stored name of an existing entry without a copy, for a caller that keeps a view of it
  // while the entry runs; only for an index that Exists.
  const std::string& NameOf(int32_t index) const { return r_names[index]; }

 private:
  std::string r_prefix;
  std::vector<std::unique_ptr<T>> r_items;
  std::vector<std::string> r_names;
};
