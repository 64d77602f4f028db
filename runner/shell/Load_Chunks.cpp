// The default loaders, which check each chunk's framing and skip its records by their stored
// layout where no subsystem loads the chunk, the walk that finds a chunk's loader, and the guess
// of where the chunks' compressed blocks lie, for inflating them ahead.
#include "runner/shell/Load_Chunks.h"

#include "runner/functions/DataNew_Class.h"
#include "runner/shell/Runner_Game.h"
#include "runner/base/Support_Stream.h"

#include <cstring>

namespace {
// A count read from the data; negative counts mark a damaged chunk. Every counted item takes
// at least four bytes, so a huge count runs into the end of the data, never into memory.
bool ReadCount(CStream& s, int32_t& count) {
  count = s.ReadInteger();
  return count >= 0;
}

bool SkipExtensionPackages(CStream& s) {
  if (s.ReadInteger() != kExtensionChunkVersion) return false;
  int32_t packages;
  if (!ReadCount(s, packages)) return false;
  for (int32_t p = 0; p < packages; ++p) {
    if (s.ReadInteger() != 700) return false;
    s.ReadString();  // name
    s.ReadString();  // folder
    int32_t files;
    if (!ReadCount(s, files)) return false;
    for (int32_t f = 0; f < files; ++f) {
      if (s.ReadInteger() != 700) return false;
      s.ReadString();   // file name
      s.ReadInteger();  // kind
      s.ReadString();   // init function
      s.ReadString();   // final function
      int32_t functions;
      if (!ReadCount(s, functions)) return false;
      for (int32_t i = 0; i < functions; ++i) {
        if (s.ReadInteger() != 700) return false;
        s.ReadString();  // name
        s.ReadString();  // external name
        for (int k = 0; k < 3 + 17 + 1; ++k) s.ReadInteger();  // kind, id, argcount, arg types, result
      }
      int32_t constants;
      if (!ReadCount(s, constants)) return false;
      for (int32_t i = 0; i < constants; ++i) {
        if (s.ReadInteger() != 700) return false;
        s.ReadString();
        s.ReadString();
      }
    }
    s.ReadStream();  // the packages' files
  }
  return true;
}

bool SkipTriggers(CStream& s) {
  if (s.ReadInteger() != kChunkVersion) return false;
  int32_t count;
  if (!ReadCount(s, count)) return false;
  for (int32_t i = 0; i < count; ++i) {
    CStream e = s.ReadStreamC();
    if (!e.ReadBoolean()) continue;
    if (e.ReadInteger() != 800) return false;
    e.ReadString();   // name
    e.ReadString();   // condition
    e.ReadInteger();  // moment
    e.ReadString();   // constant name
  }
  return true;
}

bool SkipConstants(CStream& s) {
  if (s.ReadInteger() != kChunkVersion) return false;
  int32_t count;
  if (!ReadCount(s, count)) return false;
  for (int32_t i = 0; i < count; ++i) {
    s.ReadString();
    s.ReadString();
  }
  return true;
}

// Named framing: each entry is a compressed block with an exists flag, a name and the record.
// The record itself is left to its subsystem; scripts are simple enough to check here.
bool SkipNamed(CStream& s, EChunk chunk) {
  if (s.ReadInteger() != kChunkVersion) return false;
  int32_t count;
  if (!ReadCount(s, count)) return false;
  for (int32_t i = 0; i < count; ++i) {
    CStream e = s.ReadStreamC();
    if (!e.ReadBoolean()) continue;
    e.ReadString();
    if (chunk == EChunk::Scripts) {
      if (e.ReadInteger() != 800) return false;
      e.ReadString();
    }
  }
  if (chunk == EChunk::Rooms) {
    s.ReadInteger();  // last instance id
    s.ReadInteger();  // last tile id
  }
  return true;
}

bool SkipGameInfo(CStream& s) {
  if (s.ReadInteger() != kChunkVersion) return false;
  CStream e = s.ReadStreamC();
  e.ReadInteger();  // colour
  e.ReadBoolean();  // embedded
  e.ReadString();   // caption
  for (int k = 0; k < 4; ++k) e.ReadInteger();  // left, top, width, height
  for (int k = 0; k < 4; ++k) e.ReadBoolean();  // border, sizeable, stay on top, pause
  e.ReadStream();   // text
  return true;
}

bool SkipLibraryInit(CStream& s) {
  if (s.ReadInteger() != kLibraryInitChunkVersion) return false;
  int32_t count;
  if (!ReadCount(s, count)) return false;
  for (int32_t i = 0; i < count; ++i) s.ReadString();
  return true;
}

bool SkipRoomOrder(CStream& s) {
  if (s.ReadInteger() != kRoomOrderChunkVersion) return false;
  const int32_t count = s.ReadInteger();
  if (count < 1) return false;
  for (int32_t i = 0; i < count; ++i) s.ReadInteger();
  return true;
}
}  // namespace

bool DefaultChunkLoader(EChunk chunk, CStream& stream) {
  switch (chunk) {
    case EChunk::ExtensionPackages: return SkipExtensionPackages(stream);
    case EChunk::Triggers: return SkipTriggers(stream);
    case EChunk::Constants: return SkipConstants(stream);
    case EChunk::IncludedFiles: return DataFile_LoadChunk(stream);
    case EChunk::GameInfo: return SkipGameInfo(stream);
    case EChunk::LibraryInit: return SkipLibraryInit(stream);
    case EChunk::RoomOrder: return SkipRoomOrder(stream);
    default: return SkipNamed(stream, chunk);
  }
}

bool RunChunkLoader(EChunk chunk, CStream& stream) {
  for (const RSubsystem& subsystem : ShellState().subsystems)
    for (const RChunkLoad& c : subsystem.chunks)
      if (c.chunk == chunk && c.load) return c.load(stream);
  return DefaultChunkLoader(chunk, stream);
}

std::vector<int32_t> CompressedBlocksAhead(const CStream& stream) {
  std::vector<int32_t> blocks;
  const uint8_t* bytes = stream.Data();
  const int64_t size = stream.GetSize();
  int64_t at = stream.GetPosition();
  const auto integer = [&](int32_t& v) {
    if (at + 4 > size) return false;
    std::memcpy(&v, bytes + at, 4);
    at += 4;
    return true;
  };
  const auto skip = [&](int32_t n) {  // n bytes after a length field
    if (n > size - at) return false;
    at += std::max(n, 0);
    return true;
  };
  // version, count, then count blocks; false where the framing stops fitting.
  const auto blockList = [&](int32_t version) {
    int32_t v, count;
    if (!integer(v) || v != version || !integer(count) || count < 0) return false;
    for (int32_t i = 0; i < count; ++i) {
      const int64_t start = at;
      int32_t n;
      if (!integer(n) || n <= 0 || !skip(n)) return false;
      blocks.push_back(static_cast<int32_t>(start));
    }
    return true;
  };
  if (!blockList(kChunkVersion)) return blocks;  // triggers
  int32_t v, count;
  if (!integer(v) || v != kChunkVersion || !integer(count) || count < 0) return blocks;  // constants
  for (int64_t i = 0; i < int64_t{count} * 2; ++i) {
    int32_t n;
    if (!integer(n) || !skip(n)) return blocks;
  }
  for (EChunk chunk = EChunk::Sounds; chunk <= EChunk::Rooms; chunk = static_cast<EChunk>(static_cast<int>(chunk) + 1)) {
    if (!blockList(kChunkVersion)) return blocks;
    if (chunk == EChunk::Rooms && !skip(8)) return blocks;  // last instance and tile ids
  }
  if (!blockList(kChunkVersion)) return blocks;  // included files
  const int64_t info = at;
  int32_t n;
  if (integer(v) && v == kChunkVersion && integer(n) && n > 0 && skip(n)) blocks.push_back(static_cast<int32_t>(info + 4));
  return blocks;
}
