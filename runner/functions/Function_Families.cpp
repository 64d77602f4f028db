// Registration order of the built-in function families (it fixes the function ids).
#include "runner/functions/Function_Families.h"

std::vector<FunctionFamily> AllFunctionFamilies() {
  return {
      MathFunctions(),
      FileFunctions(),
      CodeFunctions(),
      MiscFunctions(),
      InteractionFunctions(),
      GameFunctions(),
      GraphicsFunctions(),
      DrawFunctions(),
      TileFunctions(),
      SoundFunctions(),
      SpriteFunctions(),
      TextFunctions(),
      FileBinaryFunctions(),
      FileSystemFunctions(),
      ProgramFunctions(),
      IniFunctions(),
      RegistryFunctions(),
      VariableFunctions(),
      DateFunctions(),
      ActionFunctions(),
      ActionDrawFunctions(),
      ParticleFunctions(),
      ParticleActionFunctions(),
      DataStructureFunctions(),
      PathFunctions(),
      SurfaceFunctions(),
      TransitionFunctions(),
      MotionPlanningFunctions(),
      D3DFunctions(),
      ResourceFunctions(),
      SaveFunctions(),
  };
}
