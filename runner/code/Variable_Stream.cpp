// Saved-game stream formats of values, variable lists and the global variable store. Kept apart
// so that code using variables links without the stream unit.
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "runner/code/Variable_Class.h"
#include "runner/code/Variable_Main.h"
#include "runner/base/Support_Stream.h"

void WriteValue(CStream& str, const RValue& v) {
  str.WriteInteger(v.kind());
  str.WriteReal(v.val());
  str.WriteString(v.str());
}

RValue ReadValue(CStream& str) {
  int32_t kind = str.ReadInteger();
  double val = str.ReadReal();
  std::string s = str.ReadString();
  if (s.size() > kMaxStringBytes) throw StreamError("string too long in value record");
  // Only kind 1 is a string; any other number is read as a real.
  return kind == RValue::kString ? RValue(std::string_view(s)) : RValue(val);
}

namespace {
constexpr int32_t kListVersion = 440;
constexpr int32_t kGlobalVersion = 700;
constexpr int32_t kValueRecordMin = 4 + 8 + 4;

int32_t Remaining(const CStream& s) { return s.GetSize() - s.GetPosition(); }

// A count read from a file must fit both its limit and the bytes that are left.
int32_t ReadCount(CStream& s, int32_t limit, int32_t bytesEach, const char* what) {
  int32_t n = s.ReadInteger();
  if (n < 0 || n > limit || static_cast<int64_t>(n) * bytesEach > Remaining(s))
    throw StreamError(std::string("bad ") + what + " count in variable list");
  return n;
}
}  // namespace

void CVariableList::SaveToStream(CStream& str) const {
  str.WriteInteger(kListVersion);
  str.WriteInteger(v_numb());
  for (const RVariable& v : v_vars) {
    str.WriteInteger(v.ind);
    WriteValue(str, v.simplevalue);
    str.WriteInteger(static_cast<int32_t>(v.value.size()));
    for (const auto& row : v.value) {
      str.WriteInteger(static_cast<int32_t>(row.size()));
      for (const RValue& e : row) WriteValue(str, e);
    }
  }
}

void CVariableList::LoadFromStream(CStream& str) {
  Clear();
  if (str.ReadInteger() != kListVersion) return;
  try {
    int32_t n = ReadCount(str, INT32_MAX, 4 + kValueRecordMin + 4, "variable");
    v_vars.reserve(static_cast<size_t>(n));
    std::unordered_set<int32_t> seen;
    for (int32_t i = 0; i < n; ++i) {
      RVariable v;
      v.ind = str.ReadInteger();
      if (!seen.insert(v.ind).second) throw StreamError("repeated id in variable list");
      v.simplevalue = ReadValue(str);
      int32_t rows = ReadCount(str, kArrayDim, 4, "row");
      v.value.resize(static_cast<size_t>(rows));
      for (auto& row : v.value) {
        int32_t len = ReadCount(str, kArrayDim, kValueRecordMin, "element");
        row.reserve(static_cast<size_t>(len));
        for (int32_t j = 0; j < len; ++j) row.push_back(ReadValue(str));
      }
      v_vars.push_back(std::move(v));
    }
  } catch (...) {
    Clear();
    throw;
  }
}

void CGlobalVars::SaveToStream(CStream& str) const {
  str.WriteInteger(kGlobalVersion);
  list_.SaveToStream(str);
  str.WriteInteger(FlagCount());
  // Ten thousand flags as booleans (integers 0/1), written as one block.
  const std::vector<int32_t> words(flags_.begin(), flags_.end());
  str.WriteBuffer(words.data(), static_cast<int32_t>(words.size() * 4));
}

void CGlobalVars::LoadFromStream(CStream& str) {
  if (str.ReadInteger() != kGlobalVersion) return;
  CVariableList list;
  list.LoadFromStream(str);
  int32_t n = str.ReadInteger();
  if (n < 0 || static_cast<int64_t>(n) * 4 > str.GetSize() - str.GetPosition())
    throw StreamError("bad flag count in global variables");
  std::vector<int32_t> words(static_cast<size_t>(n));
  str.ReadBuffer(words.data(), n * 4);
  std::vector<bool> flags(static_cast<size_t>(n));
  for (size_t i = 0; i < words.size(); ++i) flags[i] = words[i] > 0;  // as a boolean reads
  list_.v_vars.swap(list.v_vars);
  flags_.swap(flags);
}
