// The constant table: built-in, extension and game constants in definition order, looked up
// newest first by the compiler; plus defining a constant from its name and value texts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runner/base/Game.h"
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

// A game constant as the constants chunk holds it: name and value texts.
struct RConstantText {
  std::string name;
  std::string value;
};

// The constants of a game: the table starts with the built-in constants; the game's own are
// kept as texts at load time and appended to the table by preparation.
struct RConstantsState {
  static constexpr EGameSlot kSlot = EGameSlot::Constants;
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  RConstantsState();
  void Append(std::string_view name, const RValue& value);

  std::vector<RConstant> entries;
  // Name to the newest entry of that name, so a lookup is one probe without a copy of the name.
  std::unordered_map<std::string, int32_t, NameHash, std::equal_to<>> newest;
  std::vector<RConstantText> texts;  // the game's, in chunk order
};
inline RConstantsState& ConstantsState() { return TheGame().State<RConstantsState>(); }

// The table holds the built-in constants from first use on; this only forces that.
void InitConstants();

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
// Set by the interpreter; null means only texts that fold to a constant can be defined.
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
