// Names of events and keys as run-time error messages and the debug window show them.
#pragma once

#include <cstdint>
#include <string>

std::string KeyName(int32_t key);
std::string EventName(int32_t etype, int32_t enumb);

// Trigger names come from the triggers unit; until it installs its lookup none exists.
using TriggerNameLookup = bool (*)(int32_t index, std::string& name);
void SetTriggerNameLookup(TriggerNameLookup lookup);
