// The game holder: destruction order of the states and the current game.
#include "runner/base/Game.h"

namespace {
// Constant-initialised, so it exists before any other unit's static initialiser may ask for it,
// without a guard on each access.
constinit Game g_default;
}  // namespace

namespace game_detail {
constinit Game* g_current = &g_default;
}  // namespace game_detail

using game_detail::g_current;

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

GameScope::GameScope() : game_(std::make_unique<Game>()), previous_(g_current) { g_current = game_.get(); }

GameScope::~GameScope() {
  // Torn down while still current: destructors of its states reach their own game.
  game_.reset();
  g_current = previous_;
}
