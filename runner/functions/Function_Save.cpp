// Built-in functions that save and load the game: saving happens at once, while loading is a
// request that the main loop carries out after the step, like every other change of room.
#include <string>

#include "runner/code/Code_Function.h"
#include "runner/code/Variable_Class.h"
#include "runner/functions/Function_Families.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"

namespace {
void SaveGame(const RValue& file) {
  if (RunHooks().saveGame) RunHooks().saveGame(std::string(file.str()).c_str());
}

void game_save(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) { SaveGame(argv[0]); }
void game_load(CInstance*, CInstance*, int32_t, RValue* argv, RValue&) { LoadGameRequest(std::string(argv[0].str())); }

constexpr RFunctionDef kSaveFunctions[] = {
    {"game_save", 1, game_save},
    {"game_load", 1, game_load},
    {"action_save_game", 1, game_save},
    {"action_load_game", 1, game_load},
};
}  // namespace

FunctionFamily SaveFunctions() {
  return kSaveFunctions;
}
