// The game holder: destruction order of the states and the current game.
#include "runner/base/Game.h"

namespace {
// The game that TheGame() answers; the one mutable file-scope variable the state design needs,
// since every layer must reach the current game without being handed it.
Game* g_current = nullptr;

Game& DefaultGame() {
  static Game game;
  return game;
}
}  // namespace

Game::~Game() {
  // A second pass takes what a destructor made again by asking for its own or a lower slot.
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = slots_.size(); i-- > 0;) Destroy(slots_[i]);
}

void Game::Destroy(Slot& slot) {
  if (!slot.state) return;
  // Cleared first: a state's destructor may ask for its own slot again (and get a new state,
  // destroyed in turn), but never a state half torn down.
  void* state = slot.state;
  auto destroy = slot.destroy;
  slot = {};
  destroy(state);
}

Game& TheGame() { return g_current ? *g_current : DefaultGame(); }

GameScope::GameScope() : game_(std::make_unique<Game>()), previous_(g_current) { g_current = game_.get(); }

GameScope::~GameScope() {
  // Torn down while still current: destructors of its states reach their own game.
  game_.reset();
  g_current = previous_;
}
