// The particles' row of the subsystem table: it gives the engine the game's random generator
// and joins the step, the room drawing and room starts.
#include <gtest/gtest.h>

#include "runner/functions/Function_Math.h"
#include "runner/graphics/Particle_Effect.h"
#include "runner/graphics/Particle_Main.h"
#include "runner/run/Room_Class.h"
#include "runner/run/Run_Hooks.h"
#include "runner/run/Run_Main.h"
#include "runner/shell/Runner_Game.h"

namespace {
TEST(ParticleRow, JoinsTheStepTheRoomDrawingAndRoomStarts) {
  GameSubsystem("particles").start();
  SetRandomSeed(42);
  const double expected = RandomReal();
  SetRandomSeed(42);
  EXPECT_EQ(ParticleRandom(), expected);

  const int32_t type = ParticleTypeCreate();
  ParticleType(type)->lifemin = 1000;
  const int32_t sys = ParticleSystemCreate();
  ParticleSystem(sys)->depth = 7;
  ParticlesCreate(sys, 0, 0, type, 3);
  StartRoom(0, false);
  RunStep();
  RunStep();
  EXPECT_EQ(ParticleSystem(sys)->particles.age[0], 2);
  EXPECT_EQ(RunHooks().particleDepthBelow(1e300), 7);

  // A room start takes the effects away, not the game's own particles.
  EffectCreate(false, 0, 10, 10, 0, 0);
  EXPECT_EQ(ParticlesCount(ParticlesState().effects.below), 21);
  StartRoom(0, false);
  EXPECT_EQ(ParticlesCount(ParticlesState().effects.below), 0);
  EXPECT_EQ(ParticlesCount(sys), 3);
}
}  // namespace
