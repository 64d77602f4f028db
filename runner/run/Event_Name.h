// Names of events and keys as run-time error messages and the debug window show them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

std::string KeyName(int32_t key);
std::string EventName(int32_t etype, int32_t enumb);

// Trigger names come from the triggers unit; until it installs its lookup none exists.
using TriggerNameLookup = bool (*)(int32_t index, std::string& name);
void SetTriggerNameLookup(TriggerNameLookup lookup);

// Time line names come from the time lines unit, like trigger names.
using TimeLineNameLookup = bool (*)(int32_t index, std::string& name);
void SetTimeLineNameLookup(TimeLineNameLookup lookup);

// A run-time error message with the place the current event context names: the action number,
// the event (or time line step) and the object (or time line), "FATAL " first when fatal.
std::string ComposeActionError(std::string_view message, bool fatal);
