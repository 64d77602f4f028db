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
FunctionFamily FileBinaryFunctions();  // Function_FileBinary
FunctionFamily FileSystemFunctions();  // Function_FileSystem
FunctionFamily ProgramFunctions();  // Function_Program
FunctionFamily IniFunctions();  // Function_Ini
FunctionFamily RegistryFunctions();  // Function_Registry
FunctionFamily VariableFunctions();  // Function_Variable
FunctionFamily DateFunctions();  // Function_Date
FunctionFamily ActionFunctions();  // Function_Action
FunctionFamily ActionDrawFunctions();  // Function_ActionDraw
FunctionFamily ParticleFunctions();  // Function_Particles
FunctionFamily ParticleActionFunctions();  // Function_Particle_Actions
FunctionFamily DataStructureFunctions();  // Function_Data_Structures
FunctionFamily PathFunctions();  // Function_Paths
FunctionFamily SurfaceFunctions();  // Function_Surface
FunctionFamily TransitionFunctions();  // Function_Transition
FunctionFamily MotionPlanningFunctions();  // Function_Motion_Planning
FunctionFamily D3DFunctions();  // Function_3D
FunctionFamily ResourceFunctions();  // Function_Resource
FunctionFamily SaveFunctions();  // Function_Save
