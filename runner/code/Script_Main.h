// The script table (loaded from the scripts chunk, compiled during preparation), script calls
// with their argument slots, and the library initialisation code run once at game start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runner/base/Game.h"
#include "runner/base/Resource_List.h"
#include "runner/code/Script_Class.h"

class CInstance;
class CStream;
class RValue;

inline constexpr int32_t kScriptsChunkVersion = 800;

// The scripts of a game and its library initialisation texts, as loaded.
struct RScriptsState {
  static constexpr EGameSlot kSlot = EGameSlot::Scripts;
  TResourceList<CScript> scripts{"__newscript"};
  std::vector<std::string> library_texts;  // until the game starts
};

TResourceList<CScript>& Scripts();  // new entries are named "__newscript" + index

// Loader of the scripts chunk: version 800, slot count, one compressed block per slot. False
// on a wrong chunk or record version (the table is then empty); damaged data throws StreamError.
bool LoadScripts(CStream& str);
// Preparation: compiles every script in slot order. The first failure shows the fatal
// "COMPILATION ERROR in Script: " message and returns false.
bool CompileScripts();

// Runs script index with its arguments (argc values, at most 16, moved from args). The slots,
// argument_count and the script name are saved and restored around the run. A run-time error
// leaves result "ERROR" with the message pending and prefixed with the script's name; the call
// still succeeds. False for an empty slot, and when check is set, the argument-count check is
// on and the count does not fit the script (the message is then pending).
bool CallScript(int32_t index, CInstance* self, CInstance* other, RValue& result, bool check,
                RValue* args, int32_t argc);
// The same for a caller that has made a fresh set of slots current with the argc arguments
// already in it (ArgumentSlotsScope); the slots are the caller's to put back.
bool CallScriptInSlots(int32_t index, CInstance* self, CInstance* other, RValue& result, bool check,
                       int32_t argc);
// The argument-count check of a call of script index whose code is code (when the setting is
// on): false, with the message pending, when argc does not fit what the script reads.
bool ScriptArgumentsFit(int32_t index, const CCode& code, int32_t argc);

// Loader of the library initialisation code chunk: version 500, count, texts.
bool LoadLibraryInit(CStream& str);
// Game start: compiles and runs each non-empty text once with a temporary instance. A compile
// failure shows the fatal "COMPILATION ERROR in library initialization code" message and
// returns false. The texts are dropped afterwards.
bool RunLibraryInit();
