// The built-in functions of the dialogs layer: message dialogs, high scores, splash screens and
// the game information, with their actions; a family the shell registers after the families of
// the functions layer.
#pragma once

#include "runner/code/Code_Function.h"

FunctionFamily DialogFunctions();
