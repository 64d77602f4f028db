// The places in a step and around rooms where subsystems built on the runtime take part:
// input, time lines, paths, collisions, particles, drawing, the window and transitions. Each
// is filled in by its subsystem at start-up; an empty hook does nothing (or answers the
// neutral value), so the runtime runs before any of them exist.
#pragma once

#include <cstdint>
#include <string>

class CInstance;
struct RRegionLayout;
namespace platform {
struct RInputEvent;
}
struct RSpriteShape;

// Moments of triggers.
enum class ETriggerMoment : int32_t { BeginStep = 0, Step = 1, EndStep = 2 };

struct RRunHooks {
  // Input (keyboard, mouse, joysticks).
  void (*clearInput)() = nullptr;          // all keyboard and mouse state
  void (*clearPressed)() = nullptr;        // pressed and released states, wheel flags
  int32_t (*lastKey)() = nullptr;          // keyboard_lastkey; 0 without input
  void (*setLastKey)(int32_t key) = nullptr;
  void (*keyboardEvents)() = nullptr;      // keyboard, key press, key release events
  void (*joystickEvents)() = nullptr;
  void (*mouseEvents)() = nullptr;
  // Whether the step runs at all: game information in the window, splash screen showing.
  bool (*stepBlocked)() = nullptr;
  // An open modal dialog takes the input before the game: true when it took this input.
  bool (*modalInput)(const platform::RInputEvent& e) = nullptr;
  // Time lines, triggers and paths.
  void (*triggers)(ETriggerMoment moment) = nullptr;
  void (*timeLines)() = nullptr;
  bool (*adaptPath)(CInstance* inst) = nullptr;  // true when the path ended this step
  // Collisions and particles.
  void (*collisionEvents)() = nullptr;
  void (*updateParticles)() = nullptr;
  // Systems that draw automatically: the largest depth below `below` (-1e9 when none), and
  // drawing those within 0.01 of a depth.
  double (*particleDepthBelow)(double below) = nullptr;
  void (*drawParticles)(double depth) = nullptr;
  void (*clearEffects)() = nullptr;        // every room start: the simple effects' particles
  // Display.
  bool (*windowActive)() = nullptr;        // true without a window
  void (*showWindow)() = nullptr;          // the game window becomes visible at game start
  void (*adaptRegion)() = nullptr;         // to the room's views or size
  void (*setCursor)(bool visible) = nullptr;
  // The room through its views: draw events, sprites, tiles, particles. Without instancesShown
  // no instance is visible and unmarked, so the instances are not walked.
  void (*drawRoom)(bool instancesShown) = nullptr;
  void (*presentFrame)() = nullptr;        // end scene, present, reset when lost, begin scene
  void (*prepareTransition)() = nullptr;   // capture the old room before leaving it
  void (*showTransition)() = nullptr;      // after the first draw of the new room
  void (*cancelTransition)() = nullptr;    // the new room starts without being drawn
  void (*toggleFullScreen)() = nullptr;
  void (*saveScreenshot)(const char* file) = nullptr;  // a PNG file
  // Other subsystems.
  void (*randomize)() = nullptr;           // seed the random generator from the clock
  void (*showGameInfo)() = nullptr;
  void (*saveGame)(const char* file) = nullptr;
  void (*loadGame)(const char* file) = nullptr;
  bool (*initExtensions)() = nullptr;      // false stops the start of the game
  bool (*finalizeExtensions)() = nullptr;
  void (*refreshDebug)() = nullptr;
  void (*addDebugLine)(const std::string& text) = nullptr;  // show_debug_message in debug mode
  void (*processMessages)() = nullptr;     // window messages: input handlers run here
  uint32_t (*gameWindowId)() = nullptr;    // the game window's native id; 0 without one
  void (*serviceNetwork)() = nullptr;      // once a step: network sessions stay alive and relay
  void (*serveWindows)() = nullptr;        // once a step: a window the game goes on beside (a splash)
};
RRunHooks& RunHooks();

// What the runtime asks about things higher layers own: resources (sprites, backgrounds,
// triggers, time lines), the window's layout and the precise shape of instances. Each is filled
// in by the layer that owns the answer; an empty one answers that nothing exists (the window
// layout: region pixels are client pixels; the point test: the bounding box decides).
// The precise tests of an instance's shape: the mask of the sprite that decides it, at the
// instance's place, scale and angle. The runtime has tested the boxes already; coordinates are
// whole pixels, rectangles given as left, top, right, bottom. Empty: no instance has a mask.
struct RInstanceMasks {
  bool (*point)(const CInstance& inst, int32_t x, int32_t y) = nullptr;
  bool (*rectangle)(const CInstance& inst, int32_t left, int32_t top, int32_t right, int32_t bottom) = nullptr;
  bool (*ellipse)(const CInstance& inst, int32_t left, int32_t top, int32_t right, int32_t bottom) = nullptr;
  bool (*line)(const CInstance& inst, int32_t x1, int32_t y1, int32_t x2, int32_t y2) = nullptr;
  bool (*instance)(const CInstance& a, const CInstance& b) = nullptr;
};

struct RRunLookups {
  RInstanceMasks masks;
  bool (*spriteShape)(int32_t sprite, RSpriteShape& shape) = nullptr;
  bool (*backgroundSize)(int32_t background, int32_t& width, int32_t& height) = nullptr;
  bool (*triggerName)(int32_t index, std::string& name) = nullptr;
  bool (*timeLineName)(int32_t index, std::string& name) = nullptr;
  bool (*regionLayout)(RRegionLayout& layout) = nullptr;
  bool (*instanceContainsPoint)(CInstance* inst, double x, double y) = nullptr;
};
RRunLookups& RunLookups();
