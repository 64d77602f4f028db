// The runner's subsystem table: which subsystem loads which chunk, does which preparation step,
// what it does when a game starts, plays and shuts down. The one place that knows them all, so
// the shell and the subsystems stay unaware of each other.
#include "runner/shell/Runner_Game.h"

#include <stdexcept>

#include "runner/base/Option_Main.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Exec.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Constant_Main.h"
#include "runner/code/Script_Main.h"
#include "runner/code/Variable_Class.h"
#include "runner/code/Variable_Main.h"
#include "runner/extensions/Extension_Main.h"
#include "runner/extensions/Function_External.h"
#include "runner/functions/Function_Families.h"
#include "runner/functions/Function_Math.h"
#include "runner/dialogs/Debug_Window.h"
#include "runner/dialogs/Dialog_Modal.h"
#include "runner/dialogs/Dialog_State.h"
#include "runner/dialogs/Function_Dialogs.h"
#include "runner/dialogs/Runner_Splash.h"
#include "runner/graphics/Font_Main.h"
#include "runner/graphics/Graphics_Display.h"
#include "runner/graphics/Graphics_Hooks.h"
#include "runner/graphics/Graphics_Transition.h"
#include "runner/graphics/Particle_Effect.h"
#include "runner/graphics/Particle_Main.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/multiplayer/DPlay_Main.h"
#include "runner/multiplayer/Function_DPlay.h"
#include "runner/run/Collision_Main.h"
#include "runner/run/IO_Intake.h"
#include "runner/run/Object_Lists.h"
#include "runner/run/Instance_Class.h"
#include "runner/run/Object_Main.h"
#include "runner/run/Path_Class.h"
#include "runner/run/TimeLine_Class.h"
#include "runner/run/Trigger_Class.h"
#include "runner/run/Room_Main.h"
#include "runner/run/Run_Host.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Error.h"
#include "runner/run/Run_Main.h"
#include "runner/run/Run_Save.h"
#include "runner/functions/DataNew_Class.h"
#include "runner/functions/File_State.h"
#include "runner/shell/Runner.h"
#include "runner/shell/Runner_Form.h"
#include "runner/shell/Runner_Load.h"
#include "runner/shell/Runner_Save.h"
#include "runner/shell/Runner_TestMode.h"
#include "runner/sound/Sound_Main.h"

namespace {
// The settings that change how game code compiles and runs; read before any code compiles.
bool ApplyCodeSettings() {
  LanguageState().uninit_zero = Options().opt_uninitzero;
  LanguageState().script_arg_errors = Options().opt_argerrors;
  return true;
}

// Resource names in game code are their indices, looked up by kind; kinds not built yet have none.
struct RResourceFinder {
  ResourceKind kind;
  int32_t (*find)(std::string_view name);
};
constexpr RResourceFinder kResourceFinders[] = {
    {ResourceKind::Object, [](std::string_view name) { return Objects().Find(name); }},
    {ResourceKind::Sound, [](std::string_view name) { return Sounds().Find(name); }},
    {ResourceKind::Script, [](std::string_view name) { return Scripts().Find(name); }},
    {ResourceKind::Room, [](std::string_view name) { return Rooms().Find(name); }},
    {ResourceKind::Sprite, [](std::string_view name) { return Sprites().Find(name); }},
    {ResourceKind::Background, [](std::string_view name) { return Backgrounds().Find(name); }},
    {ResourceKind::Font, [](std::string_view name) { return Fonts().Find(name); }},
    {ResourceKind::Path, [](std::string_view name) { return Paths().Find(name); }},
    {ResourceKind::TimeLine, [](std::string_view name) { return TimeLines().Find(name); }},
};

bool FindResourceIndex(ResourceKind kind, std::string_view name, int32_t& index) {
  index = -1;
  for (const RResourceFinder& finder : kResourceFinders)
    if (finder.kind == kind) index = finder.find(name);
  return index >= 0;
}

void StartLanguage() {
  InitFunctions(RunnerFunctionFamilies());
  InitInterpreter();
  TheRunnerCompileContext().resources = FindResourceIndex;
  // Errors of an earlier game in this process do not carry over into the next.
  ResetErrorState();
}

void StartTestModeAndRandom() {
  ApplyTestMode(ReadTestMode());
  RunHooks().randomize = [] {
    if (TestModeSettings().on)
      SetRandomSeed(TestModeSettings().seed);
    else
      RandomizeSeed();
  };
}

// The display's hooks, and the runner's window for the input's event filter.
void StartDisplay() {
  InstallDisplayHooks();
  RunHooks().gameWindowId = [] {
    const TRunnerForm* form = RunnerForm();
    return form ? form->NativeId() : 0u;
  };
}

// The step's trigger and time line phases and path following, and the names of triggers and
// time lines in messages; trigger constants name their triggers in game code.
void StartPathsAndTimeLines() {
  RunHooks().triggers = RunTriggers;
  RunHooks().timeLines = RunTimeLines;
  RunHooks().adaptPath = [](CInstance* inst) { return inst->Adapt_Path(); };
  RunLookups().triggerName = [](int32_t index, std::string& name) {
    if (!Triggers().Exists(index)) return false;
    name = TriggerName(index);
    return true;
  };
  RunLookups().timeLineName = [](int32_t index, std::string& name) {
    if (!TimeLines().Exists(index)) return false;
    name = TimeLines().Name(index);
    return true;
  };
  TheRunnerCompileContext().triggers = [](std::string_view name, int32_t& index) {
    index = FindTriggerByConstant(name);
    return index >= 0;
  };
}

void StartSprites() {
  InstallSprites();
  RunHooks().collisionEvents = CollisionEvents;
}

// Particles draw from the game's random generator, join the step after the end step events
// and the room drawing at their depths, and lose their effects at every room start.
void StartParticles() {
  ParticlesState().random = RandomReal;
  RunHooks().updateParticles = UpdateAutomaticParticleSystems;
  RunHooks().particleDepthBelow = ParticleDepthBelow;
  RunHooks().drawParticles = DrawParticleSystemsAt;
  RunHooks().clearEffects = EffectClear;
}

// The rows in start-up and shutdown order. Chunks load in the order of the game data and the
// preparation steps run in their own order; only start-up and shutdown follow the rows.
RSubsystemTable MakeGameSubsystems() {
  return {
      {.name = "language",
       .prepare = {{EPrepareStep::ExtensionPackages, ApplyCodeSettings}},
       .start = StartLanguage},
      {.name = "runtime",
       .start = InstallRuntimeHost,
       .play = RunGame,
       .running = [] { return GameState().running; },
       .save = SaveRunState,
       .load = ReadRunState},
      {.name = "constants",
       .chunks = {{EChunk::Constants, LoadConstants}},
       .prepare = {{EPrepareStep::Constants, DefineGameConstants}}},
      {.name = "scripts",
       .chunks = {{EChunk::Scripts, LoadScripts}, {EChunk::LibraryInit, LoadLibraryInit}},
       .prepare = {{EPrepareStep::Scripts, CompileScripts}}},
      {.name = "objects",
       .chunks = {{EChunk::Objects, LoadObjects}},
       .prepare = {{EPrepareStep::Objects, CompileObjects}}},
      {.name = "rooms", .chunks = {{EChunk::Rooms, LoadRooms}, {EChunk::RoomOrder, LoadRoomOrder}}},
      {.name = "paths, time lines and triggers",
       .chunks = {{EChunk::Triggers, LoadTriggers}, {EChunk::Paths, LoadPaths}, {EChunk::TimeLines, LoadTimeLines}},
       .prepare = {{EPrepareStep::Triggers, PrepareTriggers}, {EPrepareStep::TimeLines, CompileTimeLines}},
       .start = StartPathsAndTimeLines},
      {.name = "test mode", .start = StartTestModeAndRandom},
      // The names of the rows that shut down are the names of their steps in the trace.
      {.name = "sprites",
       .chunks = {{EChunk::Sprites, LoadSprites}, {EChunk::Backgrounds, LoadBackgrounds}},
       .start = StartSprites,
       .shutdown = ClearSpritesAndBackgrounds},
      // The player goes down with the game, before the display and the included files.
      {.name = "sound",
       .chunks = {{EChunk::Sounds, LoadSounds}},
       .prepare = {{EPrepareStep::Sounds, PrepareSounds},
                   {EPrepareStep::StopSound, [] { return ShutdownSounds(), true; }}},
       .shutdown = ShutdownSounds},
      {.name = "graphics device",
       .prepare = {{EPrepareStep::Display, [] { return SetupGameDisplay(RunnerForm()); }}},
       .start = StartDisplay,
       .shutdown = ShutdownDisplay},
      // After the sprites: the texture step makes the textures of both.
      {.name = "fonts", .chunks = {{EChunk::Fonts, LoadFonts}}},
      // After the display: the input answers whether the window is active, from what it was told
      // at the start of the step, so a replay sees the same focus as the recording. The message
      // pump between steps is the input's.
      {.name = "input",
       .prepare = {{EPrepareStep::InputHandlers, StartInputFromEnvironment}},
       .start = InstallInput},
      {.name = "included files",
       .chunks = {{EChunk::IncludedFiles, DataFile_LoadChunk}},
       .shutdown = DataFile_RemoveAll},
      // Secure mode before any game code runs; open files closed and the INI copy written back
      // when the game ends.
      {.name = "files", .start = StartFiles, .shutdown = ShutdownFiles},
      {.name = "particles", .start = StartParticles},
      // The room change shows its transition; the surfaces go with the device.
      {.name = "transitions",
       .start = [] {
         RunHooks().prepareTransition = [] { Transition_Prepare(PendingTransition()); };
         RunHooks().showTransition = Transition_Show;
         RunHooks().cancelTransition = Transition_Cancel;
       }},
      // After the files, which know secure mode before any package is prepared; the libraries
      // are released when the game shuts down.
      {.name = "extensions",
       .chunks = {{EChunk::ExtensionPackages, LoadExtensionPackages}},
       .prepare = {{EPrepareStep::ExtensionPackages, PrepareExtensionPackages}},
       .start = StartExtensions,
       .shutdown = ShutdownExtensions},
      // Dialogs take the input while they are open; F1 and show_info show the game information.
      // A splash or the information the game goes on beside is served between steps; their
      // windows go before the application does.
      {.name = "dialogs",
       .chunks = {{EChunk::GameInfo, LoadGameInformation}},
       .start =
           [] {
             InstallModalInput();
             RunHooks().showGameInfo = ShowGameInformation;
             RunHooks().serveWindows = ServeBeside;
           },
       .shutdown = ShutdownDialogWindows},
      // In debug mode the window beside the game, refreshed after every step; its native
      // windows and timer go before the application does.
      {.name = "debug window",
       .start =
           [] {
             RunHooks().refreshDebug = DebugAfterStep;
             RunHooks().addDebugLine = AddDebugLine;
           },
       .shutdown = ShutdownDebugWindow},
      // Sessions outlive rooms and restarts; they end with the program, telling the peers.
      {.name = "multiplayer",
       .start = [] { RunHooks().serviceNetwork = ServiceMultiplayer; },
       .shutdown = [] {
         if (TheGame().Has<RMultiplayerState>()) Multiplayer().End();
       }},
      // The F5 and F6 keys and the saving functions; what a saved game holds comes from the
      // rows' own parts. Data structures, particles and sessions are not part of it.
      {.name = "saved games",
       .start =
           [] {
             RunHooks().saveGame = [](const char* file) { SaveGameFile(file); };
             RunHooks().loadGame = [](const char* file) { LoadGameFile(file); };
           }},
  };
}
}  // namespace

// The functions layer's families, then those of the layers above it.
std::vector<FunctionFamily> RunnerFunctionFamilies() {
  std::vector<FunctionFamily> families = AllFunctionFamilies();
  families.push_back(DialogFunctions());
  families.push_back(ExternalFunctions());
  families.push_back(MultiplayerFunctions());
  return families;
}

const RSubsystemTable& GameSubsystems() {
  static const RSubsystemTable table = MakeGameSubsystems();
  return table;
}

const RSubsystem& GameSubsystem(std::string_view name) {
  for (const RSubsystem& subsystem : GameSubsystems())
    if (subsystem.name == name) return subsystem;
  throw std::out_of_range("no subsystem " + std::string(name));
}

void StartGameSubsystems() {
  ShellState().subsystems = GameSubsystems();
  for (const RSubsystem& subsystem : ShellState().subsystems)
    if (subsystem.start) subsystem.start();
}
