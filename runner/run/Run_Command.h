// Instance commands used by actions and functions: creating and destroying instances in the
// current room, with their create and destroy events.
#pragma once

#include <cstdint>

class CInstance;

// A new instance of the object at (x, y) with the next run-time id, appended to the room, its
// create event performed. Null (with a run-time error) when the object does not exist, and
// null when there is no room.
CInstance* CreateInstance(int32_t object, double x, double y);
// The same with the new instance already moving (speed and direction set) when its create
// event runs.
CInstance* CreateInstanceMoving(int32_t object, double x, double y, double speed, double direction);
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

// Free-place tests: inst is moved to (x, y) for the test and back. Empty: no instance of the
// room collides (precisely) with it there; free: no solid one does.
bool PlaceEmpty(CInstance* inst, double x, double y);
bool PlaceFree(CInstance* inst, double x, double y);
// The first instance of target (-3 all, an id above 99999, else an object with its descendants)
// that collides precisely with inst at (x, y), or whose precise point test holds (x, y); null
// when none. Marked instances are skipped.
CInstance* InstanceAtPlace(CInstance* inst, int32_t target, double x, double y);
CInstance* InstanceAtPosition(int32_t target, double x, double y);
// Destroys, or changes into object, every instance of the room whose precise point test holds
// (x, y), in list order.
void DestroyAtPosition(double x, double y);
void ChangeAtPosition(double x, double y, int32_t object, bool perform);
