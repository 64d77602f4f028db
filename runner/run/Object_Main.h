// The object list: objects by index with their names, the objects chunk, compilation of all
// object actions, and the installation of both into the load sequence.
#pragma once

#include <cstdint>

#include "runner/base/Resource_List.h"

class CObject;
class CStream;

inline constexpr int32_t kObjectsChunkVersion = 800;

// The object list; new entries are named "__newobject" + index.
TResourceList<CObject>& Objects();
// Appends a fresh object through the list and gives it its own index (which its events report
// as their owner); returns the index.
int32_t ObjectAdd();
// Frees the object's events and leaves an empty entry. Its memory stays until the list is
// cleared (by a load or the end of the game), so instances still pointing at it read a cleared
// object. False when invalid.
bool ObjectDelete(int32_t index);

// Loader of the objects chunk. False on a wrong chunk or object version; damaged data throws.
bool LoadObjects(CStream& str);
// Compiles every present object with the owner of the event context set; false at the first
// failure (already reported).
bool CompileObjects();
