// The list of built-in function families, in registration order. Each family's unit defines
// its static table; adding a family means one line here and one in Function_Families.cpp.
#pragma once

#include <vector>

#include "runner/code/Code_Function.h"

std::vector<FunctionFamily> AllFunctionFamilies();

// Each family's table, defined in its own unit.
FunctionFamily MathFunctions();  // Function_Math
FunctionFamily FileFunctions();  // Function_File
FunctionFamily GameFunctions();  // Function_Game
FunctionFamily CodeFunctions();  // Function_Code
FunctionFamily MiscFunctions();  // Function_Misc
FunctionFamily InteractionFunctions();  // Function_Interaction
FunctionFamily GraphicsFunctions();  // Function_Graphics
FunctionFamily DrawFunctions();  // Function_Draw
FunctionFamily TileFunctions();  // Function_Tile
FunctionFamily SoundFunctions();  // Function_Sound
FunctionFamily SpriteFunctions();  // Function_Sprites
FunctionFamily TextFunctions();  // Function_Text
FunctionFamily PathFunctions();  // Function_Paths
