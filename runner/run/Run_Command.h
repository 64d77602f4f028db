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
// A new instance of inst's object at inst's position with the next run-time id and all of
// inst's fields; its create event when perform is set. Returns the new id, or -4 without a room.
int32_t CopyInstance(CInstance* inst, bool perform);
// Replaces inst by an instance of the object that keeps inst's id and fields but takes the
// object's sprite, mask, depth and flags; inst is marked. The destroy and create events run
// when perform is set. A run-time error when the object does not exist.
void ChangeInstance(CInstance* inst, int32_t object, bool perform);
// Setspriteindex when the sprite exists, else a run-time error.
void SetInstanceSprite(CInstance* inst, int32_t sprite);
