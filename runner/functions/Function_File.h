// File functions: the included-file family for now; the rest of the file, INI and registry
// functions join this unit.
#pragma once

#include "runner/code/Code_Function.h"

FunctionFamily FileFunctions();
