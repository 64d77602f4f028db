// Fuzz target for saved games: the whole input is a saved-game file of a small game (game id 7,
// three objects, three rooms, no sprites or backgrounds; the seeds are written for it). Each
// input plays in a fresh game.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "runner/base/Game.h"
#include "runner/base/Option_Main.h"
#include "runner/base/Support_Stream.h"
#include "runner/code/Code_Error.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Main.h"
#include "runner/shell/Runner_Game.h"
#include "runner/shell/Runner_Save.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {
int g_errors = 0;

void MakeGame() {
  SettingsState().gameId = 7;
  for (int i = 0; i < 3; ++i) ObjectAdd();
  for (int32_t i = 0; i < 3; ++i) Rooms().Put(i, std::make_unique<CRoom>(), "rm" + std::to_string(i));
  Rooms().Get(0)->AddInstance(10, 10, 0);
  CStream order;
  for (int32_t v : {kRoomOrderChunkVersion, 3, 0, 1, 2}) order.WriteInteger(v);
  order.SetPosition(0);
  LoadRoomOrder(order);
  ShellState().subsystems = {GameSubsystem("runtime")};
  SetErrorSink([](std::string_view, bool) { ++g_errors; });
  FUZZ_CHECK(StartGame());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GameScope scope;
  MakeGame();
  const std::vector<uint8_t> before = SavedGame().Bytes();
  CStream in = CStream::FromBytes(data, size);
  g_errors = 0;
  const bool loaded = LoadSavedGame(in, "fuzz.sav");
  FUZZ_CHECK(loaded == (g_errors == 0));
  if (!loaded) {
    FUZZ_CHECK(SavedGame().Bytes() == before);  // a refused file changes nothing
    return 0;
  }
  FUZZ_CHECK(CurrentRoom() != nullptr);
  // What was loaded saves to a file that loads back and saves identically.
  CStream again = SavedGame();
  again.SetPosition(0);
  FUZZ_CHECK(LoadSavedGame(again, "again.sav"));
  FUZZ_CHECK(again.GetPosition() == again.GetSize());
  FUZZ_CHECK(SavedGame().Bytes() == again.Bytes());
  return 0;
}
