// Values, shared conversions and variable lists; see Variable_Class.h.
#include "runner/code/Variable_Class.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "runner/code/Code_Function.h"

StrRep* RValue::MakeRep(const char* p, size_t n, size_t cap) {
  if (n == 0 && cap == 0) return nullptr;
  if (n > kMaxStringBytes) throw std::length_error("string too long");
  if (cap < n) cap = n;
  void* mem = std::malloc(sizeof(StrRep) + cap + 1);
  if (!mem) throw std::bad_alloc();
  auto* r = static_cast<StrRep*>(mem);
  r->refs = 1;
  r->len = static_cast<uint32_t>(n);
  r->cap = static_cast<uint32_t>(cap);
  if (n) std::memcpy(r->data(), p, n);
  r->data()[n] = 0;
  return r;
}

void RValue::FreeRep(StrRep* r) noexcept { std::free(r); }

void RValue::SetString(std::string_view s) {
  StrRep* r = MakeRep(s.data(), s.size());
  Release();
  kind_ = kString;
  u_.rep = r;
}

void RValue::Append(std::string_view s) {
  if (kind_ != kString) {
    SetString(s);
    return;
  }
  if (s.empty()) return;  // an empty view may carry a null pointer, which memcpy must not see
  StrRep* r = u_.rep;
  size_t len = r ? r->len : 0;
  if (s.size() > kMaxStringBytes - len) throw std::length_error("string too long");
  size_t need = len + s.size();
  if (r && r->refs == 1 && need <= r->cap) {
    // s may point into our own buffer; memmove keeps that safe.
    std::memmove(r->data() + len, s.data(), s.size());
    r->len = static_cast<uint32_t>(need);
    r->data()[need] = 0;
    return;
  }
  size_t cap = need < 16 ? 16 : need + need / 2;
  if (cap > kMaxStringBytes) cap = kMaxStringBytes;
  StrRep* n = MakeRep(r ? r->data() : "", len, cap);
  std::memcpy(n->data() + len, s.data(), s.size());
  n->len = static_cast<uint32_t>(need);
  n->data()[need] = 0;
  Release();
  u_.rep = n;
}

double RoundHalfEven(double v) noexcept {
  if (std::isnan(v)) return 0.0;
  double f = std::floor(v);
  double d = v - f;  // exact for every finite double
  if (d > 0.5) return f + 1.0;
  if (d < 0.5) return f;
  return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;  // only exact halves pay for the parity test
}

int64_t RoundToInt64(double v) noexcept {
  double r = RoundHalfEven(v);
  if (r >= 9223372036854775808.0) return INT64_MAX;
  if (r < -9223372036854775808.0) return INT64_MIN;
  return static_cast<int64_t>(r);
}

int32_t RoundToInt32(double v) noexcept {
  double r = RoundHalfEven(v);
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(r);
}

void CVariableList::SetVar(int32_t var_ind, int32_t arr_ind, const RValue& val) {
  if (arr_ind < 0 || arr_ind > kMaxArrayIndex) return;
  RVariable* v = Find(var_ind);
  if (!v) {
    v_vars.emplace_back();
    v = &v_vars.back();
    v->ind = var_ind;
  }
  if (arr_ind == 0) {
    v->simplevalue = val;
    return;
  }
  size_t row = static_cast<size_t>(arr_ind / kArrayDim);
  size_t col = static_cast<size_t>(arr_ind % kArrayDim);
  if (v->value.size() < row + 1) v->value.resize(row + 1);
  std::vector<RValue>& r = v->value[row];
  if (r.size() < col + 1) r.resize(col + 1);
  r[col] = val;
}

bool CVariableList::GetVar(int32_t var_ind, int32_t arr_ind, RValue& val) const {
  if (const RVariable* v = Find(var_ind)) {
    if (arr_ind == 0) {
      val = v->simplevalue;
      return true;
    }
    if (arr_ind > 0 && arr_ind <= kMaxArrayIndex) {
      size_t row = static_cast<size_t>(arr_ind / kArrayDim);
      size_t col = static_cast<size_t>(arr_ind % kArrayDim);
      if (row < v->value.size() && col < v->value[row].size()) {
        val = v->value[row][col];
        return true;
      }
    }
  }
  if (LanguageState().uninit_zero) {
    val.SetReal(0.0);
    return true;
  }
  return false;
}

void CVariableList::Init(int32_t var_ind) {
  if (Find(var_ind)) return;
  v_vars.emplace_back();
  v_vars.back().ind = var_ind;
}
