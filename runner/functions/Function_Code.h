// The family of built-in functions that run code given at run time (script_execute,
// execute_string, execute_file).
#pragma once

#include "runner/code/Code_Function.h"

FunctionFamily CodeFunctions();
