// The runtime's part of a saved game; see Run_Save.h. Loading stages everything first, so a
// file that turns out damaged half way leaves the running game exactly as it was.
#include "runner/run/Run_Save.h"

#include <memory>
#include <optional>
#include <vector>

#include "runner/base/Support_Stream.h"
#include "runner/code/Variable_Main.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Main.h"
#include "runner/run/Run_State.h"

namespace {
constexpr int32_t kGlobalBlockVersion = 700;

struct RSavedRun {
  int32_t roomIndex = -1;
  int32_t transition = 0;
  int32_t score = 0;
  int32_t lives = 0;
  double health = 0;
  int32_t cursorSprite = -1;
  int32_t cursorImage = 0;
  bool automaticDraw = true;
  std::optional<CGlobalVars> globals;  // none: a block of another version leaves them as they are
  std::vector<std::unique_ptr<CRoom>> rooms;
  int32_t lastInstanceId = 0;
  int32_t lastTileId = 0;
};

void Apply(RSavedRun& saved) {
  RGameState& game = GameState();
  game.transition_kind = saved.transition;
  game.score = saved.score;
  game.lives = saved.lives;  // restored as they were: no no-more-lives event
  game.health = saved.health;
  game.cursor_sprite = saved.cursorSprite;
  game.cursor_image = saved.cursorImage;
  game.automatic_draw = saved.automaticDraw;
  if (saved.globals) GlobalVars() = std::move(*saved.globals);
  ReplaceLiveRooms(std::move(saved.rooms), saved.roomIndex);
  SetLastInstanceId(saved.lastInstanceId);
  SetLastTileId(saved.lastTileId);
  if (RunHooks().adaptRegion) RunHooks().adaptRegion();
}
}  // namespace

void SaveRunState(CStream& s) {
  const RGameState& game = GameState();
  s.WriteInteger(CurrentRoomIndex());
  s.WriteInteger(game.transition_kind);
  s.WriteInteger(game.score);
  s.WriteInteger(game.lives);
  s.WriteReal(game.health);
  s.WriteInteger(game.cursor_sprite);
  s.WriteInteger(game.cursor_image);
  s.WriteBoolean(game.automatic_draw);
  GlobalVars().SaveToStream(s);
  const auto& rooms = LiveRooms();
  s.WriteInteger(static_cast<int32_t>(rooms.size()));
  for (const auto& room : rooms) {
    s.WriteBoolean(room != nullptr);
    if (room) room->SaveGameToStream(s);
  }
  s.WriteInteger(LastInstanceId());
  s.WriteInteger(LastTileId());
}

std::function<void()> ReadRunState(CStream& s) {
  auto saved = std::make_shared<RSavedRun>();
  saved->roomIndex = s.ReadInteger();
  saved->transition = s.ReadInteger();
  saved->score = s.ReadInteger();
  saved->lives = s.ReadInteger();
  saved->health = s.ReadReal();
  saved->cursorSprite = s.ReadInteger();
  saved->cursorImage = s.ReadInteger();
  saved->automaticDraw = s.ReadBoolean();
  RSpriteShape shape;
  if (saved->cursorSprite >= 0 && !GetSpriteShape(saved->cursorSprite, shape))
    throw StreamError("saved cursor names a missing sprite");

  const int32_t block = s.GetPosition();
  if (s.ReadInteger() == kGlobalBlockVersion) {
    s.SetPosition(block);
    saved->globals.emplace();
    saved->globals->LoadFromStream(s);
  }

  const int32_t slots = s.ReadInteger();
  if (slots < 0 || int64_t{slots} * 4 > int64_t{s.GetSize()} - s.GetPosition())
    throw StreamError("bad room slot count in saved game");
  saved->rooms.resize(static_cast<size_t>(slots));
  for (int32_t i = 0; i < slots; ++i) {
    if (!s.ReadBoolean()) continue;
    if (!Rooms().Exists(i)) throw StreamError("saved game holds a room the game does not have");
    auto room = std::make_unique<CRoom>();
    if (!room->LoadGameFromStream(s)) throw StreamError("saved room of another version");
    saved->rooms[static_cast<size_t>(i)] = std::move(room);
  }
  if (saved->roomIndex < 0 || saved->roomIndex >= slots || !saved->rooms[static_cast<size_t>(saved->roomIndex)])
    throw StreamError("saved game without its current room");
  saved->lastInstanceId = s.ReadInteger();
  saved->lastTileId = s.ReadInteger();
  return [saved] { Apply(*saved); };
}
