// The constants chunk and the definition of the game's constants; see Constant_Main.h.
#include "runner/code/Constant_Main.h"

#include "runner/base/Support_Stream.h"

bool LoadConstants(CStream& stream) {
  if (stream.ReadInteger() != kConstantsChunkVersion) return false;
  const int32_t count = stream.ReadInteger();
  if (count < 0) return false;
  // No reserve from the count: a damaged count runs into the end of the data, not into memory.
  std::vector<RConstantText> texts;
  for (int32_t i = 0; i < count; ++i) {
    RConstantText t;
    t.name = stream.ReadString();
    t.value = stream.ReadString();
    texts.push_back(std::move(t));
  }
  ConstantsState().texts = std::move(texts);
  return true;
}

bool DefineGameConstants() {
  for (const RConstantText& t : ConstantsState().texts)
    if (!DefineConstantFromText(t.name, t.value)) return false;
  return true;
}

const std::vector<RConstantText>& GameConstantTexts() { return ConstantsState().texts; }
