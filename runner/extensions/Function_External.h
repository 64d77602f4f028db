// The built-in functions of external libraries (external_define, external_call, external_free,
// get_function_address and the fixed-count forms), a family the shell registers after the
// families of the functions layer.
#pragma once

#include "runner/code/Code_Function.h"

FunctionFamily ExternalFunctions();
