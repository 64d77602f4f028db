// Fuzz target for the saved-game formats of variable lists and the global store. Byte 0 bit 0
// picks the global store; the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runner/code/Variable_Class.h"
#include "runner/code/Variable_Main.h"
#include "runner/base/Support_Stream.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

template <class Store>
std::vector<uint8_t> Saved(const Store& store) {
  CStream s;
  store.SaveToStream(s);
  return s.Bytes();
}

// What was read saves to a form that reads back to itself.
template <class Store>
void CheckResave(const Store& store) {
  const std::vector<uint8_t> first = Saved(store);
  CStream s(first);
  Store again;
  again.LoadFromStream(s);
  FUZZ_CHECK(s.GetPosition() == s.GetSize());
  FUZZ_CHECK(Saved(again) == first);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  CStream in = CStream::FromBytes(data + 1, size - 1);
  if (data[0] & 1) {
    CGlobalVars store;
    store.Set(kFirstUserVarId, 0, RValue(7.0));
    store.Declare(kFirstUserVarId + 1);
    const std::vector<uint8_t> before = Saved(store);
    try {
      store.LoadFromStream(in);
    } catch (const StreamError&) {
      FUZZ_CHECK(Saved(store) == before);  // damage leaves the store as it was
      return 0;
    }
    CheckResave(store);
  } else {
    CVariableList list;
    list.SetVar(kFirstUserVarId, 0, RValue(7.0));
    try {
      list.LoadFromStream(in);
    } catch (const StreamError&) {
      FUZZ_CHECK(list.v_numb() == 0);
      return 0;
    }
    CheckResave(list);
  }
  return 0;
}
