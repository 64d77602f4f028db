// Fuzz target for the whole game-file load path. The input is the game data as the runner sees
// it once unscrambled (from the version word on) in open form (FuzzBlocks.h); the target packs
// its blocks, scrambles it as a game-file writer does, puts it behind the signature in a game
// file held in memory and has LoadGameData read it with every subsystem's chunk loader
// installed. A game that loads has its scripts compiled too; nothing runs (constants and
// library code could loop).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runner/base/Runner_Process.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Script_Main.h"
#include "runner/shell/Runner_Game.h"
#include "runner/shell/Runner_Load.h"
#include "runner/base/Support_Stream.h"
#include "tests/fuzz/FuzzBlocks.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

// The signature's free bytes are never 0xF7, so nothing before it can match.
constexpr uint8_t kSignature[kSignatureSize] = {0x4B, 0x00, 0x56, 0xF7, 0x67, 0x52, 0x14, 0x58};
constexpr uint32_t kK1 = 12345;

// The game file: zeros up to the search start, then the tail. Loading unscrambles the tail in
// place and leaves the zeros alone, so each load only writes the tail again.
CStream g_file;

// -1: threw StreamError, 0: failed with a message, 1: loaded.
int Load(CStream& tail) {
  g_file.SetSize(static_cast<int32_t>(kSignatureSearchStart));
  g_file.SetPosition(static_cast<int32_t>(kSignatureSearchStart));
  g_file.WriteBuffer(tail.Data(), tail.GetSize());
  try {
    return LoadGameData(g_file) ? 1 : 0;
  } catch (const StreamError&) {
    return -1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartGameSubsystems();
  SetLoadMessageSink([](std::string_view) {});
  SetErrorSink([](std::string_view, bool) {});
  ShellState().d3dxLoader = [](const std::string&) { return true; };
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> plain = fuzz::ExpandBlocks(data, size);
  if (plain.size() < 4) plain.resize(4);  // the scrambling needs the version word at least

  CStream tail;
  tail.WriteBuffer(kSignature, kSignatureSize);
  tail.WriteInteger(0);  // K1 and K2, filled in by the scrambling
  tail.WriteInteger(0);
  tail.WriteBuffer(plain.data(), static_cast<int32_t>(plain.size()));
  tail.EncryptWad(kSignatureSize, kK1);

  // Every chunk loader first discards what its list held: loading a game again ends the same
  // way. Checked after the loads that got through, the ones with state worth leaving behind.
  if (Load(tail) != 1) return 0;
  FUZZ_CHECK(Load(tail) == 1);
  CompileScripts();
  return 0;
}
