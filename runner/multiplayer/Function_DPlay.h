// The multiplayer built-in functions (mplay_*), a family the shell registers after the
// families of the functions layer.
#pragma once

#include "runner/code/Code_Function.h"

FunctionFamily MultiplayerFunctions();
