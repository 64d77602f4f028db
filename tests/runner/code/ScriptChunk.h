// Writes a scripts chunk the way the game file holds it, for loader tests.
#pragma once

#include <string>
#include <vector>

#include "runner/base/Support_Stream.h"

struct TestScript {
  bool exists = true;
  std::string name;
  std::string text;
  int32_t version = 800;
};

inline void WriteScriptsChunk(CStream& out, const std::vector<TestScript>& scripts,
                              int32_t chunk_version = 800) {
  out.WriteInteger(chunk_version);
  out.WriteInteger(static_cast<int32_t>(scripts.size()));
  for (const TestScript& s : scripts) {
    CStream block;
    block.WriteBoolean(s.exists);
    if (s.exists) {
      block.WriteString(s.name);
      block.WriteInteger(s.version);
      block.WriteString(s.text);
    }
    out.WriteStreamC(block);
  }
}
