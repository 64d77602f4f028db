// CScript; see Script_Class.h.
#include "runner/code/Script_Class.h"

#include "runner/base/Support_Stream.h"

void CScript::Clear() {
  s_code.reset();
  s_text.clear();
}

bool CScript::LoadFromStream(CStream& str) {
  Clear();
  if (str.ReadInteger() != kScriptVersion) return false;
  s_text = str.ReadString();
  return true;
}

void CScript::SaveToStream(CStream& str) const {
  str.WriteInteger(kScriptVersion);
  str.WriteString(s_text);
}

bool CScript::Compile() {
  s_code = std::make_unique<CCode>(s_text, false);
  return s_code->Compile();
}
