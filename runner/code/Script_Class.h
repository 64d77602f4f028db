// CScript: one script of the game, its text as stored in the game data and its compiled program.
#pragma once

#include <memory>
#include <string>

#include "runner/code/Code_Main.h"

class CStream;

inline constexpr int32_t kScriptVersion = 800;

class CScript {
 public:
  CScript() = default;  // Create
  CScript(const CScript&) = delete;
  CScript& operator=(const CScript&) = delete;

  // Frees the code and empties the text.
  void Clear();
  // Version, then the text; false on a wrong version. A short record throws StreamError.
  bool LoadFromStream(CStream& str);
  void SaveToStream(CStream& str) const;
  // Compiles s_text as a program; false with the message pending (Code_Error).
  bool Compile();

  std::string s_text;
  std::unique_ptr<CCode> s_code;
};
