// The six data structures, their comparison and their text forms.
#include "runner/functions/Support_Data_Structures.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "runner/base/Support_Stream.h"
#include "runner/code/Code_Operator.h"
#include "runner/functions/Function_Math.h"

// ---- Comparison ----

int DsCompare::operator()(const RValue& a, const RValue& b) const {
  if (a.IsReal()) {
    if (!b.IsReal()) return -1;
    const double x = a.val(), y = b.val();
    // Exact equality first: an infinity is equal to itself although their difference is NaN.
    if (x == y) return 0;
    double tolerance = precision;
    if (tolerance == 0) tolerance = std::max(std::min(std::fabs(x), std::fabs(y)) * 1e-15, 1e-15);
    if (std::fabs(x - y) <= tolerance) return 0;
    return x < y ? -1 : 1;
  }
  if (b.IsReal()) return 1;
  return CompareUtf16(a.str(), b.str());
}

// ---- Text forms ----

std::string ToHexText(const CStream& s) {
  return s.ConvertToString();
}

namespace {
constexpr int32_t kStackMarker = 101;
constexpr int32_t kQueueMarker = 201;
constexpr int32_t kListMarker = 301;
constexpr int32_t kMapMarker = 401;
constexpr int32_t kPriorityMarker = 501;
constexpr int32_t kGridMarker = 601;
constexpr int64_t kValueRecordMin = 4 + 8 + 4;  // kind, real, empty string

int64_t Remaining(const CStream& s) {
  return s.GetSize() - s.GetPosition();
}

// A count of value records, checked against what the text still holds before anything is
// allocated for it.
int32_t ReadCount(CStream& s, int64_t recordsEach) {
  const int32_t n = s.ReadInteger();
  if (n < 0 || n * recordsEach * kValueRecordMin > Remaining(s)) throw StreamError("bad count");
  return n;
}

void ReadValues(CStream& s, std::vector<RValue>& into, int32_t n) {
  into.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) into.push_back(ReadValue(s));
}

void WriteValues(CStream& s, const std::vector<RValue>& values) {
  for (const RValue& v : values) WriteValue(s, v);
}

// Decodes the text and checks its marker, then lets body fill a fresh structure; false when
// anything is malformed, so the caller keeps its structure as it was.
template <class T, class Body>
bool ReadInto(std::string_view text, int32_t marker, T& target, Body body) {
  try {
    CStream s;
    s.ConvertFromString(text);
    if (s.ReadInteger() != marker) return false;
    T fresh;
    body(s, fresh);
    target = std::move(fresh);
    return true;
  } catch (const StreamError&) {
    return false;
  }
}
}  // namespace

// ---- Stack ----

std::string CDS_Stack::Write() const {
  CStream s;
  s.WriteInteger(kStackMarker);
  s.WriteInteger(Size());
  WriteValues(s, i_val);
  return ToHexText(s);
}

bool CDS_Stack::Read(std::string_view text) {
  return ReadInto(text, kStackMarker, *this, [](CStream& s, CDS_Stack& t) { ReadValues(s, t.i_val, ReadCount(s, 1)); });
}

// ---- Queue ----

void CDS_Queue::Enqueue(const RValue& v) {
  if (static_cast<size_t>(i_first) >= i_val.size()) i_val.resize(i_val.size() + 16);
  i_val[static_cast<size_t>(i_first++)] = v;
}

RValue CDS_Queue::Dequeue() {
  RValue v;
  if (i_first > i_last) v = i_val[static_cast<size_t>(i_last++)];
  if (i_last > 16 && i_last > i_first / 2) {
    // Copied, not moved: the slots behind the queue keep what they held, as the text shows.
    std::copy(i_val.begin() + i_last, i_val.begin() + i_first, i_val.begin());
    i_first -= i_last;
    i_last = 0;
  }
  return v;
}

std::string CDS_Queue::Write() const {
  CStream s;
  s.WriteInteger(kQueueMarker);
  s.WriteInteger(i_first);
  s.WriteInteger(i_last);
  s.WriteInteger(static_cast<int32_t>(i_val.size()));
  WriteValues(s, i_val);
  return ToHexText(s);
}

bool CDS_Queue::Read(std::string_view text) {
  return ReadInto(text, kQueueMarker, *this, [](CStream& s, CDS_Queue& t) {
    t.i_first = s.ReadInteger();
    t.i_last = s.ReadInteger();
    const int32_t length = ReadCount(s, 1);
    if (t.i_last < 0 || t.i_last > t.i_first || t.i_first > length) throw StreamError("bad queue bounds");
    ReadValues(s, t.i_val, length);
  });
}

// ---- List ----

int32_t CDS_List::FindIndex(const RValue& v, const DsCompare& cmp) const {
  for (size_t i = 0; i < i_val.size(); ++i)
    if (cmp(i_val[i], v) == 0) return static_cast<int32_t>(i);
  return -1;
}

namespace {
// Whether the comparison orders these values as a total preorder: then any stable sort gives
// what the insertion sort gives. Strings and mixed pairs always do; reals fail only when values
// chain within the tolerance (a = b, b = c, a < c) or one is NaN.
bool OrdersConsistently(const std::vector<RValue>& values, const DsCompare& cmp) {
  std::vector<RValue> reals;
  for (const RValue& v : values)
    if (v.IsReal()) {
      if (std::isnan(v.val())) return false;
      reals.push_back(v);
    }
  std::sort(reals.begin(), reals.end(), [](const RValue& a, const RValue& b) { return a.val() < b.val(); });
  size_t start = 0;
  for (size_t i = 1; i < reals.size(); ++i) {
    if (cmp(reals[i - 1], reals[i]) != 0)
      start = i;
    else if (cmp(reals[start], reals[i]) != 0)
      return false;
  }
  return true;
}

// Stable bottom-up merge sort; a right value goes first only when after(left, right).
template <class After>
void MergeSort(std::vector<RValue>& v, After after) {
  const size_t n = v.size();
  std::vector<RValue> buf(n);
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      const size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) buf[k++] = after(v[i], v[j]) ? std::move(v[j++]) : std::move(v[i++]);
      while (i < mid) buf[k++] = std::move(v[i++]);
      while (j < hi) buf[k++] = std::move(v[j++]);
    }
    v.swap(buf);
  }
}
}  // namespace

void CDS_List::Sort(bool ascending, const DsCompare& cmp) {
  if (i_val.size() < 2) return;
  if (OrdersConsistently(i_val, cmp)) {
    // The insertion sort keeps equal values in order when ascending and reverses them when
    // descending; a stable merge of the reversed list does the same in O(n log n).
    if (ascending) {
      MergeSort(i_val, [&](const RValue& a, const RValue& b) { return cmp(a, b) > 0; });
    } else {
      std::reverse(i_val.begin(), i_val.end());
      MergeSort(i_val, [&](const RValue& a, const RValue& b) { return cmp(a, b) < 0; });
    }
    return;
  }
  // Values the comparison cannot order consistently: the insertion sort itself fixes the result.
  for (size_t p = 1; p < i_val.size(); ++p)
    for (size_t q = p; q > 0; --q) {
      const int c = cmp(i_val[q - 1], i_val[q]);
      if (ascending ? c <= 0 : c > 0) break;
      std::swap(i_val[q - 1], i_val[q]);
    }
}

void CDS_List::Shuffle() {
  const double n = static_cast<double>(i_val.size());
  for (size_t k = 0; k < 8 * i_val.size(); ++k) {
    const auto a = static_cast<size_t>(RandomBelow(n));
    const auto b = static_cast<size_t>(RandomBelow(n));
    std::swap(i_val[a], i_val[b]);
  }
}

std::string CDS_List::Write() const {
  CStream s;
  s.WriteInteger(kListMarker);
  s.WriteInteger(Size());
  WriteValues(s, i_val);
  return ToHexText(s);
}

bool CDS_List::Read(std::string_view text) {
  return ReadInto(text, kListMarker, *this, [](CStream& s, CDS_List& t) { ReadValues(s, t.i_val, ReadCount(s, 1)); });
}

// ---- Map ----

// The searches over reals halve their ranges with arithmetic rather than branches: which half
// the key lies in is what a branch predictor cannot guess, and a lookup is a dozen such steps.
namespace {
// Narrows [lo, lo + len] (len > 0) to the half after mid when after is set, else to the half
// before it, as lower_bound does.
[[gnu::always_inline]] inline void Halve(int32_t& lo, int32_t& len, bool after) {
  const int32_t half = len / 2;
  const int32_t mask = -static_cast<int32_t>(after);
  lo += (half + 1) & mask;
  len = half + ((len - 1 - 2 * half) & mask);
}

// A key as the searches by a real see it: a string becomes a NaN, which compares with the real
// searched for as the string does (after it, never at or before it).
inline double SearchReal(const RValue& x) {
  return x.IsReal() ? x.val() : std::numeric_limits<double>::quiet_NaN();
}
}  // namespace

namespace {
// How many of the n reals at v fail a search's test: y - v > p (FirstAtLeast), or v - y <= p
// holds (LastAtMost). Two reals a step, as the processor's vector registers hold them; a test
// that holds gives the lane -1.
using Reals2 = double __attribute__((vector_size(16)));
using Lanes2 = long long __attribute__((vector_size(16)));

template <bool below>
[[gnu::always_inline]] inline bool Passes(double v, double y, double p) {
  return below ? y - v > p : v - y <= p;
}

template <bool below>
int32_t CountPassing(const double* v, int32_t n, double y, double p) {
  const Reals2 yy = {y, y}, pp = {p, p};
  Lanes2 acc = {0, 0};
  int32_t i = 0;
  for (; i + 2 <= n; i += 2) {
    Reals2 x;
    std::memcpy(&x, v + i, sizeof x);
    if constexpr (below)
      acc -= (yy - x > pp);
    else
      acc -= (x - yy <= pp);
  }
  int64_t c = acc[0] + acc[1];
  for (; i < n; ++i) c += Passes<below>(v[i], y, p) ? 1 : 0;
  return static_cast<int32_t>(c);
}

// CountPassing over n ascending reals (those that pass are a prefix) that run from about lo to
// about hi, for n of any size. The keys games use, ids and counters, spread evenly, so where y
// falls between lo and hi is within a few places of the answer: a window there is counted once
// its two ends show that the answer lies in it. Anything else, uneven keys or infinities, costs
// the two tests and takes the general way: counting while that is short, halving beyond. The
// bounds come from the small arrays of each chunk's ends, so the guess waits for no load from
// the chunk itself.
template <bool below>
int32_t CountPassingAscending(const double* v, int32_t n, double y, double p, double lo, double hi) {
  constexpr int32_t kWindow = 16, kCounted = 96;
  if (n > 2 * kWindow) {
    double t = (y - lo) / (hi - lo) * (n - 1);
    if (!(t >= 0)) t = 0;  // a NaN too
    if (!(t <= n - 1)) t = n - 1;
    const int32_t a = std::clamp(static_cast<int32_t>(t) - kWindow / 2, 0, n - kWindow);
    if ((a == 0 || Passes<below>(v[a - 1], y, p)) && (a + kWindow == n || !Passes<below>(v[a + kWindow], y, p)))
      return a + CountPassing<below>(v + a, kWindow, y, p);
  }
  if (n <= kCounted) return CountPassing<below>(v, n, y, p);
  int32_t count = 0;
  for (int32_t len = n; len > 0;) Halve(count, len, Passes<below>(v[count + len / 2], y, p));
  return count;
}

template <bool over_reals, class Chunk>
[[gnu::always_inline]] inline decltype(auto) KeyAt(const Chunk& c, int32_t i) {
  if constexpr (over_reals)
    return c.r[static_cast<size_t>(i)];
  else
    return (c.e[static_cast<size_t>(i)]->key);
}
}  // namespace

template <bool over_reals, class AtLeast>
CDS_Map::Place CDS_Map::FirstWhere(AtLeast at_least) const {
  // The first chunk whose last key is >= key holds the entry, if any does.
  const Chunk* c = chunks_.data();
  int32_t lo = 0, len = static_cast<int32_t>(chunks_.size());  // in [lo, lo + len], the end for none
  while (len > 0) {
    const int32_t mid = lo + len / 2;
    if constexpr (over_reals)
      Halve(lo, len, !at_least(last_[static_cast<size_t>(mid)]));
    else
      Halve(lo, len, !at_least(c[mid].e.back()->key));
  }
  if (lo == static_cast<int32_t>(chunks_.size())) return {lo, 0};
  // Within the chunk, whose last key is >= key: the first that is, in [a, a + n].
  const Chunk& k = c[lo];
  int32_t a = 0, n = static_cast<int32_t>(k.e.size()) - 1;
  while (n > 0) Halve(a, n, !at_least(KeyAt<over_reals>(k, a + n / 2)));
  return {lo, a};
}

template <bool over_reals, class AtMost>
CDS_Map::Place CDS_Map::LastWhere(AtMost at_most) const {
  // The last chunk whose first key is <= key holds the entry, if any does: the one before the
  // first chunk whose first key is not.
  const Chunk* c = chunks_.data();
  int32_t lo = 0, len = static_cast<int32_t>(chunks_.size());
  while (len > 0) {
    const int32_t mid = lo + len / 2;
    if constexpr (over_reals)
      Halve(lo, len, at_most(first_[static_cast<size_t>(mid)]));
    else
      Halve(lo, len, at_most(c[mid].e.front()->key));
  }
  if (lo == 0) return {-1, 0};
  // Within the chunk, whose first key is <= key: the one before the first after it, in [1, n].
  const Chunk& k = c[lo - 1];
  int32_t a = 1, n = static_cast<int32_t>(k.e.size()) - 1;
  while (n > 0) Halve(a, n, at_most(KeyAt<over_reals>(k, a + n / 2)));
  return {lo - 1, a - 1};
}

// A finite real key against a positive precision, the usual case, compares without a call and
// with the tolerance known. For such a key y and a real or NaN v, cmp(v, y) >= 0 is exactly
// !(y - v > p) and cmp(v, y) <= 0 exactly v - y <= p: the difference is exact in sign, so
// |v - y| is y - v below the key and v - y above it, and a NaN answers as cmp does.
CDS_Map::Place CDS_Map::FirstAtLeast(const RValue& key, const DsCompare& cmp) const {
  const double y = key.val(), p = cmp.precision;
  if (key.IsReal() && p > 0 && std::isfinite(y)) {
    if (found_.valid && found_.key == y && found_.precision == p) return found_.place;
    Place at;
    if (ascending_) {
      const int32_t chunks = static_cast<int32_t>(chunks_.size());
      // chunks whose last key fails
      const int32_t below = chunks ? CountPassingAscending<true>(last_.data(), chunks, y, p, last_.front(), last_.back()) : 0;
      at = {below, 0};
      if (below < chunks) {
        const std::vector<double>& r = chunks_[static_cast<size_t>(below)].r;
        at.at = CountPassingAscending<true>(r.data(), static_cast<int32_t>(r.size()) - 1, y, p, first_[static_cast<size_t>(below)],
                                            last_[static_cast<size_t>(below)]);  // the last passes
      }
    } else {
      at = FirstWhere<true>([y, p](double v) { return !(y - v > p); });
    }
    found_ = {true, y, p, at};
    return at;
  }
  return FirstWhere<false>([&](const RValue& x) { return cmp(x, key) >= 0; });
}

CDS_Map::Place CDS_Map::LastAtMost(const RValue& key, const DsCompare& cmp) const {
  const double y = key.val(), p = cmp.precision;
  if (key.IsReal() && p > 0 && std::isfinite(y)) {
    if (!ascending_) return LastWhere<true>([y, p](double v) { return v - y <= p; });
    const int32_t chunks = static_cast<int32_t>(chunks_.size());
    // Asked right after a search for the same key that found no equal key (a key added when it
    // was not there): every key before that place is at most the key and none from it on is.
    if (found_.valid && found_.key == y && found_.precision == p) {
      const Place f = found_.place;
      if (f.chunk == chunks ||
          cmp(chunks_[static_cast<size_t>(f.chunk)].e[static_cast<size_t>(f.at)]->key, key) != 0) {
        if (f.at > 0) return {f.chunk, f.at - 1};
        if (f.chunk > 0)
          return {f.chunk - 1, static_cast<int32_t>(chunks_[static_cast<size_t>(f.chunk) - 1].e.size()) - 1};
        return {-1, 0};
      }
    }
    // chunks whose first key passes
    const int32_t within = chunks ? CountPassingAscending<false>(first_.data(), chunks, y, p, first_.front(), first_.back()) : 0;
    if (within == 0) return {-1, 0};
    const std::vector<double>& r = chunks_[static_cast<size_t>(within - 1)].r;
    const int32_t n = static_cast<int32_t>(r.size());
    // The first passes; the last that does is as many places on as pass after it.
    return {within - 1, CountPassingAscending<false>(r.data() + 1, n - 1, y, p, first_[static_cast<size_t>(within) - 1],
                                                     last_[static_cast<size_t>(within) - 1])};
  }
  return LastWhere<false>([&](const RValue& x) { return cmp(x, key) <= 0; });
}

bool CDS_Map::StaysAscending(int32_t chunk, int32_t at) {
  const Chunk& c = chunks_[static_cast<size_t>(chunk)];
  Entry* x = c.e[static_cast<size_t>(at)];
  const size_t i = static_cast<size_t>(at);
  const bool first = i == 0 && chunk == 0, last = i + 1 == c.r.size() && static_cast<size_t>(chunk) + 1 == chunks_.size();
  bool ascending = x->key.IsReal() && !std::isnan(x->key.val());
  const double v = x->key.val();
  double prev = 0, next = 0;
  if (ascending && !first) {
    prev = i > 0 ? c.r[i - 1] : chunks_[static_cast<size_t>(chunk) - 1].r.back();
    ascending = prev < v;
  }
  if (ascending && !last) {
    next = i + 1 < c.r.size() ? c.r[i + 1] : chunks_[static_cast<size_t>(chunk) + 1].r.front();
    ascending = v < next;
  }
  if (!ascending) {
    index_.Clear();
    return false;
  }
  // The differences as the searches work them out, so that a gap above the precision means
  // what those searches will find.
  if (!first) gap_ = std::min(gap_, v - prev);
  if (!last) gap_ = std::min(gap_, next - v);
  whole_ = whole_ && v == std::trunc(v);
  index_.Insert(v, x);
  return true;
}

bool CDS_Map::FromIndex(const RValue& key, const DsCompare& cmp, Entry*& found) const {
  if (!ascending_ || !key.IsReal()) return false;
  const double y = key.val(), p = cmp.precision;
  if (!(p > 0) || !(gap_ > p) || !std::isfinite(y)) return false;
  found = index_.Find(y);
  return found || (whole_ && p < 1 && y == std::trunc(y));
}

RValue* CDS_Map::Find(const RValue& key, const DsCompare& cmp) {
  Entry* x;
  if (FromIndex(key, cmp, x)) return x ? &x->val : nullptr;
  const Place p = FirstAtLeast(key, cmp);
  if (p.chunk == static_cast<int32_t>(chunks_.size())) return nullptr;
  x = chunks_[static_cast<size_t>(p.chunk)].e[static_cast<size_t>(p.at)];
  return cmp(x->key, key) == 0 ? &x->val : nullptr;
}

CDS_Map::Entry* CDS_Map::NewEntry(const RValue& key, const RValue& val) {
  if (free_.empty()) return &store_.emplace_back(Entry{key, val});
  Entry* e = free_.back();
  free_.pop_back();
  e->key = key;
  e->val = val;
  return e;
}

void CDS_Map::FreeEntry(Entry* e) {
  e->key.SetReal(0.0);  // its texts go now
  e->val.SetReal(0.0);
  free_.push_back(e);
}

void CDS_Map::Clear() {
  chunks_.clear();
  first_.clear();
  last_.clear();
  store_.clear();
  free_.clear();
  count_ = 0;
  found_.valid = false;
  ascending_ = true;
  index_.Clear();
  gap_ = std::numeric_limits<double>::infinity();
  whole_ = true;
}

void CDS_Map::Add(const RValue& key, const RValue& val, const DsCompare& cmp) {
  Place p = LastAtMost(key, cmp);
  found_.valid = false;
  if (p.chunk < 0) {
    if (chunks_.empty()) {
      chunks_.emplace_back();
      first_.push_back(0);
      last_.push_back(0);
    }
    p = {0, 0};
  } else {
    ++p.at;
  }
  Chunk& c = chunks_[static_cast<size_t>(p.chunk)];
  Entry* fresh = NewEntry(key, val);
  c.e.insert(c.e.begin() + p.at, fresh);
  c.r.insert(c.r.begin() + p.at, SearchReal(fresh->key));
  ++count_;
  if (ascending_) ascending_ = StaysAscending(p.chunk, p.at);
  if (c.e.size() > 2 * kChunk) {
    Chunk upper;
    const auto half = static_cast<ptrdiff_t>(kChunk);
    upper.e.assign(c.e.begin() + half, c.e.end());
    upper.r.assign(c.r.begin() + half, c.r.end());
    c.e.resize(kChunk);
    c.r.resize(kChunk);
    chunks_.insert(chunks_.begin() + p.chunk + 1, std::move(upper));
    first_.insert(first_.begin() + p.chunk + 1, 0);
    last_.insert(last_.begin() + p.chunk + 1, 0);
    Fence(static_cast<size_t>(p.chunk) + 1);
  }
  Fence(static_cast<size_t>(p.chunk));
}

bool CDS_Map::Delete(const RValue& key, const DsCompare& cmp) {
  Entry* x;
  if (FromIndex(key, cmp, x) && !x) return false;
  const Place p = FirstAtLeast(key, cmp);
  if (p.chunk == static_cast<int32_t>(chunks_.size())) return false;
  Chunk& c = chunks_[static_cast<size_t>(p.chunk)];
  x = c.e[static_cast<size_t>(p.at)];
  if (cmp(x->key, key) != 0) return false;
  found_.valid = false;
  if (ascending_) index_.Erase(c.r[static_cast<size_t>(p.at)]);
  c.r.erase(c.r.begin() + p.at);
  c.e.erase(c.e.begin() + p.at);
  FreeEntry(x);
  --count_;
  if (c.e.empty()) {
    chunks_.erase(chunks_.begin() + p.chunk);
    first_.erase(first_.begin() + p.chunk);
    last_.erase(last_.begin() + p.chunk);
  } else {
    Fence(static_cast<size_t>(p.chunk));
  }
  return true;
}

const RValue* CDS_Map::Previous(const RValue& key, const DsCompare& cmp) const {
  const Place p = FirstAtLeast(key, cmp);
  if (p.at > 0) return &chunks_[static_cast<size_t>(p.chunk)].e[static_cast<size_t>(p.at - 1)]->key;
  return p.chunk > 0 ? &chunks_[static_cast<size_t>(p.chunk - 1)].e.back()->key : nullptr;
}

const RValue* CDS_Map::Next(const RValue& key, const DsCompare& cmp) const {
  const Place p = LastAtMost(key, cmp);
  if (p.chunk < 0) return First();
  const Chunk& c = chunks_[static_cast<size_t>(p.chunk)];
  if (static_cast<size_t>(p.at) + 1 < c.e.size()) return &c.e[static_cast<size_t>(p.at) + 1]->key;
  return static_cast<size_t>(p.chunk) + 1 < chunks_.size() ? &chunks_[static_cast<size_t>(p.chunk) + 1].e.front()->key
                                                           : nullptr;
}

void CDS_Map::Assign(std::vector<RValue> keys, std::vector<RValue> vals) {
  Clear();
  for (size_t i = 0; i < keys.size(); i += kChunk) {
    const size_t end = std::min(keys.size(), i + kChunk);
    Chunk c;
    c.e.reserve(end - i);
    c.r.reserve(end - i);
    for (size_t j = i; j < end; ++j) {
      c.r.push_back(SearchReal(keys[j]));
      c.e.push_back(NewEntry(keys[j], vals[j]));
    }
    chunks_.push_back(std::move(c));
    first_.push_back(0);
    last_.push_back(0);
    Fence(chunks_.size() - 1);
  }
  count_ = static_cast<int32_t>(keys.size());
  for (size_t c = 0; c < chunks_.size() && ascending_; ++c)
    for (size_t i = 0; i < chunks_[c].e.size() && ascending_; ++i)
      ascending_ = StaysAscending(static_cast<int32_t>(c), static_cast<int32_t>(i));
}

void CDS_Map::CopyFrom(const CDS_Map& o) {
  std::vector<RValue> keys, vals;
  keys.reserve(static_cast<size_t>(o.count_));
  vals.reserve(static_cast<size_t>(o.count_));
  o.ForEach([&](const RValue& k, const RValue& v) {
    keys.push_back(k);
    vals.push_back(v);
  });
  Assign(std::move(keys), std::move(vals));
}

// ---- The index of keys ----

namespace {
// A key's bits, with -0 as 0: they compare equal, and an ascending map holds at most one.
uint64_t KeyBits(double k) {
  k += 0.0;
  uint64_t b;
  std::memcpy(&b, &k, sizeof b);
  return b;
}
}  // namespace

// Whole keys differ in their high bits only: folded, then multiplied, the top bits spread.
size_t CDS_Map::Index::Home(uint64_t bits) const {
  return static_cast<size_t>(((bits ^ (bits >> 29)) * 0x9E3779B97F4A7C15ull) >> shift_);
}

CDS_Map::Entry* CDS_Map::Index::Find(double key) const {
  if (slots_.empty()) return nullptr;
  const uint64_t b = KeyBits(key);
  const size_t mask = slots_.size() - 1;
  for (size_t i = Home(b);; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (!s.e || s.bits == b) return s.e;
  }
}

void CDS_Map::Index::Put(uint64_t bits, Entry* e) {
  const size_t mask = slots_.size() - 1;
  for (size_t i = Home(bits);; i = (i + 1) & mask) {
    Slot& s = slots_[i];
    if (!s.e) {
      s = {bits, e};
      ++used_;
      return;
    }
    if (s.bits == bits) {
      s.e = e;
      return;
    }
  }
}

void CDS_Map::Index::Insert(double key, Entry* e) {
  if (4 * (used_ + 1) > 3 * slots_.size()) Grow();
  Put(KeyBits(key), e);
}

void CDS_Map::Index::Grow() {
  const size_t size = slots_.empty() ? 16 : 2 * slots_.size();
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(size, Slot{});
  shift_ = 64 - std::countr_zero(size);
  used_ = 0;
  for (const Slot& s : old)
    if (s.e) Put(s.bits, s.e);
}

void CDS_Map::Index::Erase(double key) {
  if (slots_.empty()) return;
  const uint64_t b = KeyBits(key);
  const size_t mask = slots_.size() - 1;
  size_t hole = Home(b);
  for (;; hole = (hole + 1) & mask) {
    if (!slots_[hole].e) return;
    if (slots_[hole].bits == b) break;
  }
  // Later keys of the same run move back into the hole when it lies between their home and
  // where they are, so that no search stops short at an empty slot.
  for (size_t j = (hole + 1) & mask; slots_[j].e; j = (j + 1) & mask) {
    const size_t home = Home(slots_[j].bits);
    if (((j - home) & mask) >= ((j - hole) & mask)) {
      slots_[hole] = slots_[j];
      hole = j;
    }
  }
  slots_[hole] = Slot{};
  --used_;
}

std::string CDS_Map::Write() const {
  CStream s;
  s.WriteInteger(kMapMarker);
  s.WriteInteger(Size());
  ForEach([&](const RValue& k, const RValue&) { WriteValue(s, k); });
  ForEach([&](const RValue&, const RValue& v) { WriteValue(s, v); });
  return ToHexText(s);
}

bool CDS_Map::Read(std::string_view text) {
  return ReadInto(text, kMapMarker, *this, [](CStream& s, CDS_Map& t) {
    const int32_t n = ReadCount(s, 2);
    std::vector<RValue> keys, vals;
    ReadValues(s, keys, n);
    ReadValues(s, vals, n);
    t.Assign(std::move(keys), std::move(vals));
  });
}

// ---- Priority queue ----

namespace {
bool SamePrecision(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}
}  // namespace

bool CDS_Priority::Before(bool max, int32_t a, int32_t b, const DsCompare& cmp) const {
  const int c = cmp(i_priority[static_cast<size_t>(a)], i_priority[static_cast<size_t>(b)]);
  if (c != 0) return max ? c > 0 : c < 0;
  return a < b;  // ties go to the first entry of the array
}

void CDS_Priority::Place(Heap& h, int32_t at, int32_t entry) {
  h.node[static_cast<size_t>(at)] = entry;
  h.where[static_cast<size_t>(entry)] = at;
}

void CDS_Priority::SiftUp(Heap& h, bool max, int32_t at, const DsCompare& cmp) {
  const int32_t e = h.node[static_cast<size_t>(at)];
  while (at > 0) {
    const int32_t parent = (at - 1) / 2;
    if (!Before(max, e, h.node[static_cast<size_t>(parent)], cmp)) break;
    Place(h, at, h.node[static_cast<size_t>(parent)]);
    at = parent;
  }
  Place(h, at, e);
}

void CDS_Priority::SiftDown(Heap& h, bool max, int32_t at, const DsCompare& cmp) {
  const auto n = static_cast<int32_t>(h.node.size());
  const int32_t e = h.node[static_cast<size_t>(at)];
  for (;;) {
    int32_t c = 2 * at + 1;
    if (c >= n) break;
    if (c + 1 < n && Before(max, h.node[static_cast<size_t>(c + 1)], h.node[static_cast<size_t>(c)], cmp)) ++c;
    if (!Before(max, h.node[static_cast<size_t>(c)], e, cmp)) break;
    Place(h, at, h.node[static_cast<size_t>(c)]);
    at = c;
  }
  Place(h, at, e);
}

void CDS_Priority::Fix(Heap& h, bool max, int32_t at, const DsCompare& cmp) {
  const int32_t e = h.node[static_cast<size_t>(at)];
  SiftUp(h, max, at, cmp);
  SiftDown(h, max, h.where[static_cast<size_t>(e)], cmp);
}

void CDS_Priority::Remove(Heap& h, bool max, int32_t entry, const DsCompare& cmp) {
  const int32_t at = h.where[static_cast<size_t>(entry)];
  const int32_t last = h.node.back();
  h.node.pop_back();
  if (static_cast<size_t>(at) < h.node.size()) {
    Place(h, at, last);
    Fix(h, max, at, cmp);
  }
}

void CDS_Priority::Rebuild(const DsCompare& cmp) {
  const auto n = static_cast<int32_t>(i_val.size());
  for (auto [h, max] : {std::pair<Heap*, bool>{&min_, false}, {&max_, true}}) {
    h->node.resize(static_cast<size_t>(n));
    h->where.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) Place(*h, i, i);
    for (int32_t i = n / 2 - 1; i >= 0; --i) SiftDown(*h, max, i, cmp);
  }
  built_precision_ = cmp.precision;
  built_ = true;
}

void CDS_Priority::Ensure(const DsCompare& cmp) {
  if (!built_ || !SamePrecision(built_precision_, cmp.precision)) Rebuild(cmp);
}

void CDS_Priority::Add(const RValue& val, const RValue& prio, const DsCompare& cmp) {
  i_val.push_back(val);
  i_priority.push_back(prio);
  if (!built_ || !SamePrecision(built_precision_, cmp.precision)) {
    Rebuild(cmp);
    return;
  }
  const auto entry = static_cast<int32_t>(i_val.size() - 1);
  for (auto [h, max] : {std::pair<Heap*, bool>{&min_, false}, {&max_, true}}) {
    h->node.push_back(entry);
    h->where.push_back(entry);
    Place(*h, static_cast<int32_t>(h->node.size() - 1), entry);
    SiftUp(*h, max, static_cast<int32_t>(h->node.size() - 1), cmp);
  }
}

int32_t CDS_Priority::FindValue(const RValue& val, const DsCompare& cmp) const {
  for (size_t i = 0; i < i_val.size(); ++i)
    if (cmp(i_val[i], val) == 0) return static_cast<int32_t>(i);
  return -1;
}

void CDS_Priority::SetPriority(int32_t pos, const RValue& prio, const DsCompare& cmp) {
  i_priority[static_cast<size_t>(pos)] = prio;
  if (!built_ || !SamePrecision(built_precision_, cmp.precision)) {
    Rebuild(cmp);
    return;
  }
  Fix(min_, false, min_.where[static_cast<size_t>(pos)], cmp);
  Fix(max_, true, max_.where[static_cast<size_t>(pos)], cmp);
}

int32_t CDS_Priority::MinPos(const DsCompare& cmp) {
  if (i_val.empty()) return -1;
  Ensure(cmp);
  return min_.node[0];
}

int32_t CDS_Priority::MaxPos(const DsCompare& cmp) {
  if (i_val.empty()) return -1;
  Ensure(cmp);
  return max_.node[0];
}

void CDS_Priority::Delete(int32_t pos, const DsCompare& cmp) {
  Ensure(cmp);
  const auto last = static_cast<int32_t>(i_val.size() - 1);
  Remove(min_, false, pos, cmp);
  Remove(max_, true, pos, cmp);
  if (pos != last) {
    i_val[static_cast<size_t>(pos)] = std::move(i_val[static_cast<size_t>(last)]);
    i_priority[static_cast<size_t>(pos)] = std::move(i_priority[static_cast<size_t>(last)]);
    // The last entry now sits at pos, which may change its place among equal priorities.
    for (auto [h, max] : {std::pair<Heap*, bool>{&min_, false}, {&max_, true}}) {
      const int32_t at = h->where[static_cast<size_t>(last)];
      Place(*h, at, pos);
      Fix(*h, max, at, cmp);
    }
  }
  i_val.pop_back();
  i_priority.pop_back();
  min_.where.pop_back();
  max_.where.pop_back();
}

void CDS_Priority::Clear() {
  i_val.clear();
  i_priority.clear();
  min_ = {};
  max_ = {};
  built_ = false;
}

std::string CDS_Priority::Write() const {
  CStream s;
  s.WriteInteger(kPriorityMarker);
  s.WriteInteger(Size());
  WriteValues(s, i_priority);
  WriteValues(s, i_val);
  return ToHexText(s);
}

bool CDS_Priority::Read(std::string_view text) {
  return ReadInto(text, kPriorityMarker, *this, [](CStream& s, CDS_Priority& t) {
    const int32_t n = ReadCount(s, 2);
    ReadValues(s, t.i_priority, n);
    ReadValues(s, t.i_val, n);
  });
}

// ---- Grid ----

bool CDS_Grid::Resize(int32_t w, int32_t h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (static_cast<int64_t>(w) * h > kMaxCells) return false;
  if (w == i_w && h == i_h) return true;
  std::vector<RValue> cells(static_cast<size_t>(w) * static_cast<size_t>(h));
  const int32_t keepW = std::min(w, i_w), keepH = std::min(h, i_h);
  for (int32_t x = 0; x < keepW; ++x)
    for (int32_t y = 0; y < keepH; ++y)
      cells[static_cast<size_t>(x) * static_cast<size_t>(h) + static_cast<size_t>(y)] = std::move(Cell(x, y));
  i_val.swap(cells);
  i_w = w;
  i_h = h;
  return true;
}

void CDS_Grid::Shuffle() {
  if (i_val.empty()) return;
  const double w = i_w, h = i_h;
  for (size_t k = 0; k < 8 * i_val.size(); ++k) {
    const auto x1 = static_cast<int32_t>(RandomBelow(w));
    const auto x2 = static_cast<int32_t>(RandomBelow(w));
    const auto y1 = static_cast<int32_t>(RandomBelow(h));
    const auto y2 = static_cast<int32_t>(RandomBelow(h));
    std::swap(Cell(x1, y1), Cell(x2, y2));
  }
}

std::string CDS_Grid::Write() const {
  CStream s;
  s.WriteInteger(kGridMarker);
  s.WriteInteger(i_w);
  s.WriteInteger(i_h);
  WriteValues(s, i_val);
  return ToHexText(s);
}

bool CDS_Grid::Read(std::string_view text) {
  return ReadInto(text, kGridMarker, *this, [](CStream& s, CDS_Grid& t) {
    t.i_w = s.ReadInteger();
    t.i_h = s.ReadInteger();
    const int64_t cells = static_cast<int64_t>(t.i_w) * t.i_h;
    if (t.i_w < 0 || t.i_h < 0 || cells > kMaxCells || cells * kValueRecordMin > Remaining(s))
      throw StreamError("bad grid size");
    ReadValues(s, t.i_val, static_cast<int32_t>(cells));
  });
}
