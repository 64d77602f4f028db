// Which subsystem loads which chunk and does which preparation step; the one place that knows
// them all, so the shell and the subsystems stay unaware of each other.
#include "runner/shell/Runner_Game.h"

#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Constant_Main.h"
#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Class.h"
#include "runner/code/Variable_Main.h"
#include "runner/functions/Function_Math.h"
#include "runner/graphics/Font_Main.h"
#include "runner/graphics/Graphics_Hooks.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Collision_Main.h"
#include "runner/run/IO_Intake.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"
#include "runner/shell/Load_Chunks.h"
#include "runner/base/Option_Main.h"
#include "runner/shell/Runner.h"
#include "runner/shell/Runner_Form.h"
#include "runner/shell/Runner_Load.h"
#include "runner/shell/Runner_TestMode.h"
#include "runner/sound/Sound_Main.h"

namespace {
// The settings that change how game code compiles and runs; read before any code compiles.
bool ApplyCodeSettings() {
  g_VarUninitZero = Options().opt_uninitzero;
  g_ScriptArgErrors = Options().opt_argerrors;
  return true;
}

// Resource names in game code are their indices; kinds not built yet have none.
bool FindResourceIndex(ResourceKind kind, std::string_view name, int32_t& index) {
  switch (kind) {
    case ResourceKind::Object: index = ObjectFind(name); break;
    case ResourceKind::Sound: index = Sound_Find(name); break;
    case ResourceKind::Script: index = ScriptIndex(name); break;
    case ResourceKind::Room: index = RoomFind(name); break;
    case ResourceKind::Sprite: index = Sprites().Find(name); break;
    case ResourceKind::Background: index = Backgrounds().Find(name); break;
    case ResourceKind::Font: index = Fonts().Find(name); break;
    default: index = -1; break;
  }
  return index >= 0;
}

// The player goes down with the game, before included files are removed.
bool PrepareSoundsOnce() {
  static bool shutdownRegistered = false;
  if (!shutdownRegistered) {
    AddShutdownStep("sound", ShutdownSounds);
    shutdownRegistered = true;
  }
  return PrepareSounds();
}
}  // namespace

void InstallGameSubsystems() {
  static bool installed = false;
  if (installed) return;
  installed = true;

  InitFunctions();
  InitInterpreter();
  InstallRuntimeHost();
  TheRunnerCompileContext().resources = FindResourceIndex;

  // Errors of an earlier game in this process do not carry over into the next.
  SetGameLoader([](const std::string& path) {
    ResetErrorState();
    return LoadGameData(path);
  });
  SetChunkLoader(EChunk::Constants, LoadConstants);
  SetChunkLoader(EChunk::Scripts, LoadScripts);
  SetChunkLoader(EChunk::LibraryInit, LoadLibraryInit);
  SetChunkLoader(EChunk::Rooms, LoadRooms);
  SetChunkLoader(EChunk::RoomOrder, LoadRoomOrder);
  SetChunkLoader(EChunk::Sounds, LoadSounds);

  SetPrepareHook(EPrepareStep::ExtensionPackages, ApplyCodeSettings);
  SetPrepareHook(EPrepareStep::Constants, DefineGameConstants);
  SetPrepareHook(EPrepareStep::Scripts, CompileScripts);
  SetPrepareHook(EPrepareStep::Sounds, PrepareSoundsOnce);
  SetPrepareHook(EPrepareStep::StopSound, [] { return ShutdownSounds(), true; });
  InstallObjectLoading();

  ApplyTestMode(ReadTestMode());
  RunHooks().randomize = [] {
    if (TestModeSettings().on)
      SetRandomSeed(TestModeSettings().seed);
    else
      RandomizeSeed();
  };
  InstallDisplayHooks();
  RunHooks().gameWindowId = [] {
    const TRunnerForm* form = RunnerForm();
    return form ? form->NativeId() : 0u;
  };
  InstallSprites();
  RunHooks().collisionEvents = CollisionEvents;
  AddShutdownStep("sprites", ClearSpritesAndBackgrounds);
  InstallFonts();
  // After the display: the input answers whether the window is active, from what it was told
  // at the start of the step, so a replay sees the same focus as the recording.
  InstallInput();  // the message pump between steps is the input's
  SetPrepareHook(EPrepareStep::InputHandlers, StartInputFromEnvironment);
  SetStartGameHook(RunGame);
  SetGameRunningQuery([] { return GameState().running; });
}
