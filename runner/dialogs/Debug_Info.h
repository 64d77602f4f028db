// The texts of the debug window: value text, info lines, the watch values, the global,
// local and instance lists, and the mouse id. Pure builders over the running game, so tests
// read exactly what the windows show.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runner/code/Variable_Class.h"

// A string as it is; a real as an integer when whole, else with 2, 4, 6 or 8 decimals when
// those hold it exactly, else 10; at most 10 significant digits. decimal is the separator.
std::string DebugValueText(const RValue& v, char decimal = '.');
// The user's decimal separator (display only; number text elsewhere stays locale-free).
char UserDecimalSeparator();
// name + ":" padded with blanks to 20 characters, the value text without NULs, CR LF.
std::string DebugInfoLine(std::string_view name, const RValue& v);

// The value text of one watch: compiled and run anew, "COMPILE ERROR" or "ERROR" on failure.
std::string EvaluateWatch(const std::string& expression);
// Runs code from the window; false when it did not compile.
bool ExecuteDebugCode(const std::string& code);

std::string GlobalVariablesText();
// The first live instance with that id or, when the id is -1, of the object with that name.
std::string LocalVariablesText(int32_t localvarid, const std::string& localvarname);
std::string InstancesText();
// The id of the last live instance under the cursor, -1 when none.
int32_t MouseInstanceId();
