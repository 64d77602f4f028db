// The constant table: built-in, extension and game constants in definition order, looked up
// newest first by the compiler; plus defining a constant from its name and value texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runner/code/Variable_Class.h"

class CCode;

struct RConstant {
  std::string name;
  RValue value;
};

// The built-in constants in definition order.
struct RBuiltinConstant {
  const char* name;
  double value;
};
inline constexpr int32_t kBuiltinConstantCount = 320;
const RBuiltinConstant* BuiltinConstants();  // kBuiltinConstantCount entries

// The table holds the built-in constants from first use on; this only forces that.
void InitConstants();
// Back to only the built-in constants. The game never removes entries; tests start over with it.
void ResetConstants();

// Appends an entry; a later entry hides an earlier one of the same name.
void DefineConstant(std::string_view name, const RValue& value);
void DefineBuiltinConstant(std::string_view name, double value);

// Newest definition first; no allocation. The compile context answers FindConstant with this.
bool FindConstant(std::string_view name, RValue& value);

int32_t ConstantCount();
const RConstant* ConstantAt(int32_t index);  // definition order; null outside the table

// Executes a compiled expression that did not fold to a constant, for its value, with a
// temporary instance as self and other. False when execution fails.
using ConstantEvaluator = bool (*)(CCode& code, RValue& value);
// Installed by the interpreter; null means only texts that fold to a constant can be defined.
void SetConstantEvaluator(ConstantEvaluator evaluator);
ConstantEvaluator GetConstantEvaluator();

// Where the "not valid" messages go; null restores ShowMessage (a message box).
using ConstantMessageSink = void (*)(std::string_view message);
void SetConstantMessageSink(ConstantMessageSink sink);

// Whether text is an identifier: a letter or '_', then letters, digits or '_' (ASCII only).
bool IsIdentifier(std::string_view text);

// Trims the name, checks it, evaluates the value text and appends the entry. A bad name or value
// shows its message and defines nothing.
bool DefineConstantFromText(std::string_view name_text, std::string_view value_text);
