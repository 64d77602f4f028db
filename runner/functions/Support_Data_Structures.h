// The six data structures games keep values in (stacks, queues, lists, maps, priority queues,
// grids), the value comparison they share, their hexadecimal text form, and the index tables
// that give each structure its number. The built-ins over them are in Function_Data_Structures.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <functional>
#include <memory>
#include <queue>
#include <string>
#include <string_view>
#include <vector>

#include "runner/base/Game.h"
#include "runner/code/Variable_Class.h"

class CStream;

// The comparison every structure finds, sorts and orders by: -1, 0 or 1. Reals are equal within
// the precision (a relative tolerance when it is 0); strings compare by UTF-16 code units; a real
// is smaller than any string.
struct DsCompare {
  double precision = 0.00000001;
  int operator()(const RValue& a, const RValue& b) const;
};

// Text forms: uppercase hexadecimal of the byte stream. Read raises StreamError on anything
// malformed; the caller's structure is only replaced after a whole read succeeded.
std::string ToHexText(const CStream& s);

class CDS_Stack {
 public:
  int32_t Size() const { return static_cast<int32_t>(i_val.size()); }
  std::string Write() const;
  // False (nothing changed) for a text that is not a whole stack.
  bool Read(std::string_view text);

  std::vector<RValue> i_val;  // bottom first
};

class CDS_Queue {
 public:
  int32_t Size() const { return i_first - i_last; }
  void Enqueue(const RValue& v);
  RValue Dequeue();
  void Clear() { i_first = i_last = 0; }
  std::string Write() const;
  bool Read(std::string_view text);

  int32_t i_first = 0;  // where the next value goes
  int32_t i_last = 0;   // the next value to leave
  // The whole array, dequeued slots and unused capacity included: the text form shows them all.
  std::vector<RValue> i_val;
};

class CDS_List {
 public:
  int32_t Size() const { return static_cast<int32_t>(i_val.size()); }
  int32_t FindIndex(const RValue& v, const DsCompare& cmp) const;
  void Sort(bool ascending, const DsCompare& cmp);
  void Shuffle();
  std::string Write() const;
  bool Read(std::string_view text);

  std::vector<RValue> i_val;
};

// Map: entries in ascending key order, equal keys kept in order of addition. The order lives in
// short sorted chunks of entry pointers, so finding is a search over chunks and then within one,
// and adding or deleting moves at most one chunk's pointers; a real key is searched for over a
// mirror of the keys as reals, with the tolerance worked out once. The entries themselves stay
// where they were made, so while the keys are reals in strictly ascending order an index from
// each key to its entry answers most searches by a real key with one probe.
class CDS_Map {
 public:
  CDS_Map() = default;
  CDS_Map(const CDS_Map& o) { CopyFrom(o); }
  CDS_Map& operator=(const CDS_Map& o) {
    if (this != &o) CopyFrom(o);
    return *this;
  }
  // A moved map keeps its entries where they are, so the index stays true.
  CDS_Map(CDS_Map&&) noexcept = default;
  CDS_Map& operator=(CDS_Map&&) noexcept = default;

  int32_t Size() const { return count_; }
  // The value of the first entry whose key compares equal, or null.
  RValue* Find(const RValue& key, const DsCompare& cmp);
  // Adds after every entry whose key compares <= key.
  void Add(const RValue& key, const RValue& val, const DsCompare& cmp);
  // Removes the first entry whose key compares equal; false when there is none.
  bool Delete(const RValue& key, const DsCompare& cmp);
  // The largest key that compares smaller (the last key when none compares >= key), and the
  // smallest key that compares greater; null when there is none.
  const RValue* Previous(const RValue& key, const DsCompare& cmp) const;
  const RValue* Next(const RValue& key, const DsCompare& cmp) const;
  const RValue* First() const { return count_ ? &chunks_.front().e.front()->key : nullptr; }
  const RValue* Last() const { return count_ ? &chunks_.back().e.back()->key : nullptr; }
  void Clear();
  // Entries in key order.
  template <class Visit>
  void ForEach(Visit visit) const {
    for (const Chunk& c : chunks_)
      for (const Entry* x : c.e) visit(x->key, x->val);
  }
  std::string Write() const;
  bool Read(std::string_view text);

 private:
  // Chunks hold 1 to 2 * kChunk entries; a fuller one is split in two.
  static constexpr size_t kChunk = 32;
  struct Entry {
    RValue key, val;
  };
  // r mirrors the keys as reals for the searches by a real key (a string key is a NaN there),
  // eight bytes a key, so a search touches few cache lines.
  struct Chunk {
    std::vector<Entry*> e;
    std::vector<double> r;
  };
  // An entry's place: chunk and position in it.
  struct Place {
    int32_t chunk, at;
  };
  // Open addressing over the keys' bits, linear probing, deletion by shifting back.
  class Index {
   public:
    Entry* Find(double key) const;
    void Insert(double key, Entry* e);
    void Erase(double key);
    void Clear() {
      slots_.clear();
      used_ = 0;
    }

   private:
    struct Slot {
      uint64_t bits = 0;
      Entry* e = nullptr;  // null: empty
    };
    size_t Home(uint64_t bits) const;
    void Put(uint64_t bits, Entry* e);
    void Grow();
    std::vector<Slot> slots_;  // a power of two long, at most three quarters full
    size_t used_ = 0;
    int shift_ = 64;
  };

  // First entry whose key compares >= key (chunk == chunk count when none), and last entry
  // whose key compares <= key (chunk == -1 when none).
  Place FirstAtLeast(const RValue& key, const DsCompare& cmp) const;
  Place LastAtMost(const RValue& key, const DsCompare& cmp) const;
  // over_reals: the predicate takes the mirrored reals, else the keys.
  template <bool over_reals, class AtLeast>
  Place FirstWhere(AtLeast at_least) const;
  template <bool over_reals, class AtMost>
  Place LastWhere(AtMost at_most) const;
  // Answers a search for the first entry whose key compares equal from the index when it can:
  // true with the entry, or with null when there surely is none.
  bool FromIndex(const RValue& key, const DsCompare& cmp, Entry*& found) const;
  // Whether the key now at (chunk, at) keeps the keys ascending; the index and the spacing
  // follow it.
  bool StaysAscending(int32_t chunk, int32_t at);
  void Assign(std::vector<RValue> keys, std::vector<RValue> vals);
  void CopyFrom(const CDS_Map& o);
  Entry* NewEntry(const RValue& key, const RValue& val);
  void FreeEntry(Entry* e);
  // Brings chunk i's first and last mirrored keys up to date.
  void Fence(size_t i) {
    first_[i] = chunks_[i].r.front();
    last_[i] = chunks_[i].r.back();
  }

  std::vector<Chunk> chunks_;
  std::vector<double> first_, last_;  // each chunk's first and last key as r has them
  // Where the entries live: a deque never moves what it holds; freed entries are reused.
  std::deque<Entry> store_;
  std::vector<Entry*> free_;
  // The last search by a real key, until the keys change: games ask whether a key exists, then
  // read or replace its value, three searches for one key.
  struct Found {
    bool valid = false;
    double key = 0, precision = 0;
    Place place{0, 0};
  };
  mutable Found found_;
  // Every key a real, none a NaN, each greater than the one before. The searches by a real then
  // answer for a run of entries, not one entry at a time: their tests hold for a prefix of the
  // keys, so the first entry that passes is where the count of those that fail ends, exactly
  // what halving finds, and counting has no step that waits for the one before.
  bool ascending_ = true;
  // While ascending: each key to its entry, the smallest difference between neighbouring keys
  // there has been (deleting only widens the gaps, so it may be smaller than today's), and
  // whether every key has been a whole number. A key found in the index is the answer when
  // that gap exceeds the precision (no other key can compare equal, nor come before it); a
  // whole key not in it is surely absent when every key is whole and the precision below 1.
  Index index_;
  double gap_ = std::numeric_limits<double>::infinity();
  bool whole_ = true;
  int32_t count_ = 0;
};

// Priority queue. The entries stay in an unordered array (in order of addition, disturbed by
// deletions) because ties go to the first entry of that array; two heaps of entry positions,
// ordered by priority and then position, answer the smallest and the largest in O(log n).
class CDS_Priority {
 public:
  int32_t Size() const { return static_cast<int32_t>(i_val.size()); }
  void Add(const RValue& val, const RValue& prio, const DsCompare& cmp);
  int32_t FindValue(const RValue& val, const DsCompare& cmp) const;
  void SetPriority(int32_t pos, const RValue& prio, const DsCompare& cmp);
  // Position of the smallest / largest priority (first in the array on ties), -1 when empty.
  int32_t MinPos(const DsCompare& cmp);
  int32_t MaxPos(const DsCompare& cmp);
  // Removes the entry; the last entry takes its place.
  void Delete(int32_t pos, const DsCompare& cmp);
  void Clear();
  std::string Write() const;
  bool Read(std::string_view text);

  std::vector<RValue> i_val;
  std::vector<RValue> i_priority;

 private:
  struct Heap {
    std::vector<int32_t> node;   // entry positions in heap order
    std::vector<int32_t> where;  // heap node of each entry
  };
  bool Before(bool max, int32_t a, int32_t b, const DsCompare& cmp) const;
  void SiftUp(Heap& h, bool max, int32_t at, const DsCompare& cmp);
  void SiftDown(Heap& h, bool max, int32_t at, const DsCompare& cmp);
  void Fix(Heap& h, bool max, int32_t at, const DsCompare& cmp);
  void Place(Heap& h, int32_t at, int32_t entry);
  void Remove(Heap& h, bool max, int32_t entry, const DsCompare& cmp);
  // The heaps follow the comparison they were built with; a new precision rebuilds them.
  void Ensure(const DsCompare& cmp);
  void Rebuild(const DsCompare& cmp);

  Heap min_, max_;
  bool built_ = false;
  double built_precision_ = 0;
};

class CDS_Grid {
 public:
  // Most cells a grid may have; larger sizes are refused, never allocated.
  static constexpr int64_t kMaxCells = int64_t{1} << 24;

  // Sizes below 0 count as 0; false (nothing changed) when the grid would be too large.
  bool Resize(int32_t w, int32_t h);
  RValue& Cell(int32_t x, int32_t y) { return i_val[static_cast<size_t>(x) * static_cast<size_t>(i_h) + static_cast<size_t>(y)]; }
  const RValue& Cell(int32_t x, int32_t y) const {
    return i_val[static_cast<size_t>(x) * static_cast<size_t>(i_h) + static_cast<size_t>(y)];
  }
  void Shuffle();
  std::string Write() const;
  bool Read(std::string_view text);

  int32_t i_w = 0;
  int32_t i_h = 0;
  std::vector<RValue> i_val;  // column by column: cell (x, y) at x * h + y
};

// One index table per kind: slots that are empty or hold one structure. A new structure takes
// the lowest empty slot, kept in a heap so creating never scans the table.
template <class T>
class DsTable {
 public:
  int32_t Create() {
    int32_t id;
    if (!free_.empty()) {
      id = free_.top();
      free_.pop();
    } else {
      id = static_cast<int32_t>(slots_.size());
      slots_.emplace_back();
    }
    slots_[static_cast<size_t>(id)] = std::make_unique<T>();
    return id;
  }
  T* Get(int32_t id) const {
    if (id < 0 || static_cast<size_t>(id) >= slots_.size()) return nullptr;
    return slots_[static_cast<size_t>(id)].get();
  }
  void Destroy(int32_t id) {
    if (!Get(id)) return;
    slots_[static_cast<size_t>(id)].reset();
    free_.push(id);
  }

 private:
  std::vector<std::unique_ptr<T>> slots_;
  std::priority_queue<int32_t, std::vector<int32_t>, std::greater<int32_t>> free_;
};

struct RDataStructuresState {
  static constexpr EGameSlot kSlot = EGameSlot::DataStructures;
  DsCompare compare;
  DsTable<CDS_Stack> stacks;
  DsTable<CDS_Queue> queues;
  DsTable<CDS_List> lists;
  DsTable<CDS_Map> maps;
  DsTable<CDS_Priority> priorities;
  DsTable<CDS_Grid> grids;
};
inline RDataStructuresState& DataStructuresState() { return TheGame().State<RDataStructuresState>(); }
