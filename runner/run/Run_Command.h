// Instance commands used by actions and functions: creating and destroying instances in the
// current room, with their create and destroy events.
#pragma once

#include <cstdint>

class CInstance;

// A new instance of the object at (x, y) with the next run-time id, appended to the room, its
// create event performed. Null (with a run-time error) when the object does not exist, and
// null when there is no room.
CInstance* CreateInstance(int32_t object, double x, double y);
// Performs the destroy event, then marks the instance; it stays in the lists until the
// marked instances are removed.
void DestroyInstance(CInstance* inst);
