// The one owner of a game's state. Every subsystem keeps its state in one struct held by the
// Game in the subsystem's slot, so a fresh game (a restart, a test, a fuzz input) is a fresh
// Game, never a list of fields reset by hand. The Game lives in the lowest layer and knows the
// states only by their slot: each layer reaches its own state through TheGame().State<T>(),
// where T names its slot with `static constexpr EGameSlot kSlot`.
#pragma once

#include <array>
#include <cstddef>
#include <memory>

// One slot per subsystem state, lowest layer first. States are destroyed in the reverse order,
// so a higher layer's state (rooms and their instances) goes before what it may refer to.
enum class EGameSlot : int {
  // base
  Settings,
  // language
  Errors,
  Language,
  Constants,
  Variables,
  Scripts,
  // runtime
  InstanceMemory,  // the blocks instances are cut from; below every state that holds instances
  RunErrors,
  Objects,
  Rooms,
  Run,
  Play,       // the part of the run a restart begins anew: rooms being played, pending change
  Input,
  Intake,     // where input comes from: queue, recording, replay
  Collision,  // the collision method and its spatial index
  Paths,
  TimeLines,
  Triggers,
  Motion,  // motion planning: the grids and the potential-field settings
  // graphics and sound
  Device,
  Textures,
  Display,
  Window,
  Draw,
  Images,  // sprites and backgrounds
  Text,    // fonts
  SoundPlayer,
  Sound,   // the sound list; its sounds free their samples in the player
  Particles,  // particle types and systems, the effects and the particle actions' slots
  Surfaces,     // off-screen render targets and the drawing target
  Transitions,  // the room-change animation: defined kinds and the two pictures
  Scene3D,    // the 3D primitive buffer, the transform stack and the models (their device buffers)
  // functions
  Random,
  Files,
  IncludedFiles,
  DataStructures,  // stacks, queues, lists, maps, priority queues and grids
  // dialogs
  Dialogs,  // the message dialog's look, high-score and splash settings, the game information
  Debug,    // the debug window: watches, text windows, messages
  // extensions
  Extensions,  // extension packages and the external-function table
  // multiplayer
  Multiplayer,
  // shell
  Shell,
  Count
};

class Game {
 public:
  constexpr Game() = default;
  ~Game();
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  // The state of T's subsystem, made on first use.
  template <class T>
  T& State() {
    Slot& slot = slots_[static_cast<size_t>(T::kSlot)];
    if (!slot.state) [[unlikely]]
      Make<T>(slot);
    return *static_cast<T*>(slot.state);
  }
  // Replaces T's state by a fresh one (the runtime's restart).
  template <class T>
  T& Renew() {
    Slot& slot = slots_[static_cast<size_t>(T::kSlot)];
    Destroy(slot);
    Make<T>(slot);
    return *static_cast<T*>(slot.state);
  }
  template <class T>
  bool Has() const {
    return slots_[static_cast<size_t>(T::kSlot)].state != nullptr;
  }

 private:
  struct Slot {
    void* state = nullptr;
    void (*destroy)(void*) = nullptr;
  };
  template <class T>
  static void Make(Slot& slot) {
    slot.state = new T();
    slot.destroy = [](void* p) { delete static_cast<T*>(p); };
  }
  static void Destroy(Slot& slot);

  std::array<Slot, static_cast<size_t>(EGameSlot::Count)> slots_{};
};

namespace game_detail {
// The game that TheGame() answers; the one mutable file-scope variable the state design needs,
// since every layer must reach the current game without being handed it. Never null: it starts
// at the process's default game.
extern Game* g_current;
}  // namespace game_detail

// The current game: the one made current by the innermost GameScope, else the process's
// default game (tools and code run without a game of their own). One load: state is reached on
// hot paths (script calls, variables, instance lists).
inline Game& TheGame() { return *game_detail::g_current; }

// Makes a fresh game current for its lifetime and restores the previous one after. The program
// entry plays each game in one; tests and fuzz inputs start from a fresh state with one.
class GameScope {
 public:
  GameScope();
  ~GameScope();
  GameScope(const GameScope&) = delete;
  GameScope& operator=(const GameScope&) = delete;
  Game& game() { return *game_; }

 private:
  std::unique_ptr<Game> game_;
  Game* previous_;
};
