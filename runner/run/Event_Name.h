// Names of events and keys as run-time error messages and the debug window show them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

std::string KeyName(int32_t key);
std::string EventName(int32_t etype, int32_t enumb);

// Trigger and time line names come from their units through RunLookups(); until those fill
// in their lookups none exists.

// A run-time error message with the place the current event context names: the action number,
// the event (or time line step) and the object (or time line), "FATAL " first when fatal.
std::string ComposeActionError(std::string_view message, bool fatal);
