// Values of the game language (RValue), the conversions every part shares, and CVariableList:
// variable storage by id and encoded array index, with its saved-game stream format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CStream;

// Shared, refcounted UTF-8 text. A rep with refs == 1 belongs to one value and may be appended
// to in place; shared reps are never changed. Not thread-safe: the language runs on one thread.
struct StrRep {
  uint32_t refs;
  uint32_t len;
  uint32_t cap;
  // The cap + 1 bytes allocated right after the header: len bytes of text, then a 0.
  char* data() noexcept { return reinterpret_cast<char*>(this + 1); }
  const char* data() const noexcept { return reinterpret_cast<const char*>(this + 1); }
};

// Longest string a value may hold; operators refuse to build longer ones.
inline constexpr uint32_t kMaxStringBytes = 1u << 28;

class RValue {
 public:
  enum Kind : int32_t { kReal = 0, kString = 1 };

  RValue() noexcept : kind_(kReal) { u_.num = 0.0; }
  explicit RValue(double v) noexcept : kind_(kReal) { u_.num = v; }
  explicit RValue(std::string_view s) : kind_(kString) { u_.rep = MakeRep(s.data(), s.size()); }
  RValue(const RValue& o) noexcept : u_(o.u_), kind_(o.kind_) {
    if (kind_ == kString && u_.rep) ++u_.rep->refs;
  }
  RValue(RValue&& o) noexcept : u_(o.u_), kind_(o.kind_) {
    o.kind_ = kReal;
    o.u_.num = 0.0;
  }
  RValue& operator=(const RValue& o) noexcept {
    if (o.kind_ == kString && o.u_.rep) ++o.u_.rep->refs;
    Release();
    u_ = o.u_;
    kind_ = o.kind_;
    return *this;
  }
  RValue& operator=(RValue&& o) noexcept {
    if (this != &o) {
      Release();
      u_ = o.u_;
      kind_ = o.kind_;
      o.kind_ = kReal;
      o.u_.num = 0.0;
    }
    return *this;
  }
  ~RValue() { Release(); }

  int32_t kind() const noexcept { return kind_; }
  bool IsReal() const noexcept { return kind_ == kReal; }
  bool IsString() const noexcept { return kind_ == kString; }
  // The unselected part reads as 0 or "": setters and handlers read either without the kind.
  double val() const noexcept { return kind_ == kReal ? u_.num : 0.0; }
  std::string_view str() const noexcept {
    if (kind_ != kString || !u_.rep) return {};
    return {u_.rep->data(), u_.rep->len};
  }

  void SetReal(double v) noexcept {
    Release();
    SetRealOverReal(v);
  }
  // The same for a value known to hold a real: there is no text to let go of.
  void SetRealOverReal(double v) noexcept {
    kind_ = kReal;
    u_.num = v;
  }
  void SetString(std::string_view s);
  // Appends in place when this value holds the only reference to its text; a real becomes s.
  void Append(std::string_view s);
  // Whether two values share one text buffer (tests and the interpreter's append fast path).
  bool SharesTextWith(const RValue& o) const noexcept {
    return kind_ == kString && o.kind_ == kString && u_.rep && u_.rep == o.u_.rep;
  }

 private:
  static StrRep* MakeRep(const char* p, size_t n, size_t cap = 0);
  void Release() noexcept {
    if (kind_ == kString && u_.rep && --u_.rep->refs == 0) FreeRep(u_.rep);
  }
  static void FreeRep(StrRep* r) noexcept;

  union Payload {
    double num;
    StrRep* rep;  // null is the empty string
  };
  Payload u_;
  int32_t kind_;
};

static_assert(sizeof(RValue) == 16);

// Truth of a real: 0.5 and above.
inline bool IsTrue(double v) noexcept { return v >= 0.5; }
// Tests give the reals 1 and 0.
inline double BoolReal(bool b) noexcept { return b ? 1.0 : 0.0; }
// Nearest integer, halves to even, whatever the FPU rounding mode; NaN gives 0 and values
// outside the range saturate, so no conversion can be undefined.
double RoundHalfEven(double v) noexcept;
int64_t RoundToInt64(double v) noexcept;
int32_t RoundToInt32(double v) noexcept;

// Array index encoding: [i] is i, [i,j] is i*32000+j; each single index lies in 0..31999.
inline constexpr int32_t kArrayDim = 32000;
inline constexpr int32_t kMaxArrayIndex = kArrayDim * kArrayDim - 1;

struct RVariable {
  int32_t ind = 0;
  RValue simplevalue;
  std::vector<std::vector<RValue>> value;  // rows; row r, column c
};

class CVariableList {
 public:
  CVariableList() = default;  // Create
  CVariableList(const CVariableList&) = delete;
  CVariableList& operator=(const CVariableList&) = delete;
  CVariableList(CVariableList&&) noexcept = default;
  CVariableList& operator=(CVariableList&&) noexcept = default;

  void Clear() { v_vars.clear(); }
  void Assign(const CVariableList& val) { v_vars = val.v_vars; }
  // Encoded array indices outside 0..kMaxArrayIndex are ignored (callers check them first).
  void SetVar(int32_t var_ind, int32_t arr_ind, const RValue& val);
  bool GetVar(int32_t var_ind, int32_t arr_ind, RValue& val) const;
  void Init(int32_t var_ind);
  void SaveToStream(CStream& str) const;
  // Throws StreamError on truncated or implausible data (also a repeated id); the list is then empty.
  void LoadFromStream(CStream& str);

  int32_t v_numb() const { return static_cast<int32_t>(v_vars.size()); }
  // Position of the variable in v_vars, newest first, or -1.
  int32_t IndexOf(int32_t var_ind) const noexcept {
    for (size_t i = v_vars.size(); i-- > 0;)
      if (v_vars[i].ind == var_ind) return static_cast<int32_t>(i);
    return -1;
  }
  RVariable* Find(int32_t var_ind) noexcept {
    int32_t i = IndexOf(var_ind);
    return i < 0 ? nullptr : &v_vars[static_cast<size_t>(i)];
  }
  const RVariable* Find(int32_t var_ind) const noexcept {
    int32_t i = IndexOf(var_ind);
    return i < 0 ? nullptr : &v_vars[static_cast<size_t>(i)];
  }
  // Find with a caller-kept position guess (e.g. one per code node). Ids are unique in a list
  // and entries never move, so a guess that names the id is exact.
  RVariable* FindHinted(int32_t var_ind, int32_t& hint) noexcept {
    if (hint >= 0 && static_cast<size_t>(hint) < v_vars.size() &&
        v_vars[static_cast<size_t>(hint)].ind == var_ind)
      return &v_vars[static_cast<size_t>(hint)];
    int32_t i = IndexOf(var_ind);
    if (i < 0) return nullptr;
    hint = i;
    return &v_vars[static_cast<size_t>(i)];
  }

  std::vector<RVariable> v_vars;  // creation order: saved games depend on it
};

// Value records as they travel in saved games and data-structure texts.
void WriteValue(CStream& str, const RValue& v);
RValue ReadValue(CStream& str);
