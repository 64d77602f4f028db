// The built-in variables backed by instance fields (x, speed, alarm, sprite_index ...) and by
// the current event context (event_type ...), attached to the built-in variable table.
#pragma once

void RegisterInstanceVariables();
