// The one list of the action functions the standard action libraries call: name, argument
// count and the family that registers it. The registry is the truth at run time; this list is
// what a complete runner registers, so a missing action is easy to see.
#pragma once

#include <cstdint>
#include <span>

struct RActionName {
  const char* name;
  int32_t argnumb;
  const char* family;  // who registers it: "actions" for the action family itself
};

std::span<const RActionName> ActionNames();
