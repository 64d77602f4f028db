// The extension packages of a game and the external functions it binds: loading the packages'
// chunk, preparing them (constants, library functions, game-code functions), their
// initialisation and finalisation calls, and calling extension functions by id.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runner/base/Game.h"
#include "runner/code/Code_Main.h"
#include "runner/extensions/Extension_Class.h"
#include "runner/extensions/Support_DLL.h"

class CInstance;

struct RExtensionsState {
  static constexpr EGameSlot kSlot = EGameSlot::Extensions;
  std::vector<CExtensionPackage> packages;
  CExternalTable externals;
  // Per function id (sized 1 + the largest id): its package function, its external-function
  // position (-1 none) and, for a game-code function, its compiled program.
  struct RIdEntry {
    const CExtensionFunction* function = nullptr;
    int32_t external = -1;
    std::unique_ptr<CCode> program;
  };
  std::vector<RIdEntry> ids;
};
inline RExtensionsState& ExtensionsState() { return TheGame().State<RExtensionsState>(); }

inline constexpr const char* kMsgSecureNoPackages = "In secure mode you cannot use extension packages.";

// The extension packages chunk: version 700, then the packages. False on a wrong version.
bool LoadExtensionPackages(CStream& s);
// Preparation: defines the packages' constants, binds their library functions (not in secure
// mode, where no library is even opened) and compiles their game-code functions; false after
// the fatal error of a compile failure.
bool PrepareExtensionPackages();
// Game start and end: calls the packages' initialisation or finalisation functions; false
// after the fatal error that stops the game.
bool InitializeExtensionPackages();
bool FinalizeExtensionPackages();

// Find by name (first match across packages): id or -1. Argument count by id (-100 for none).
int32_t FindExtensionFunction(std::string_view name);
int32_t ExtensionFunctionArgCount(int32_t id);
std::string ExtensionFunctionName(int32_t id);
// Calls function id with argc arguments; see the language's CallExtensionFunction.
bool CallExtension(int32_t id, CInstance* self, CInstance* other, RValue& result, RValue* args, int32_t argc);

// Connects the game's code to its extension functions and the runtime to the packages' calls.
void StartExtensions();
// The game's libraries are released.
void ShutdownExtensions();
