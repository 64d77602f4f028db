// CAction: one action of an event or time line moment: its stored record, the resolution of
// its function at load, and its compilation into code and argument expressions.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runner/code/Code_Main.h"
#include "runner/code/Variable_Class.h"

class CStream;

inline constexpr int32_t kActionVersion = 440;
inline constexpr int32_t kActionArgs = 8;
// At most this many argument values reach a called function.
inline constexpr int32_t kActionCallArgs = 7;

enum EActionKind : int32_t {
  kActNormal = 0,
  kActBegin = 1,
  kActEnd = 2,
  kActElse = 3,
  kActExit = 4,
  kActRepeat = 5,
  kActVariable = 6,
  kActCode = 7,
};

enum EActionExe : int32_t { kExeNone = 0, kExeFunction = 1, kExeCode = 2 };

// Argument kinds after compilation.
inline constexpr int32_t kArgConstant = -1;
inline constexpr int32_t kArgExpression = 0;

inline constexpr std::string_view kMsgFailedToLocate = "Failed to locate action function ";

class CAction {
 public:
  explicit CAction(int32_t kind = kActNormal);  // Create
  // A code action: kind 7, run code, the text as its first argument.
  static std::unique_ptr<CAction> CreateCode(std::string_view code);

  // Empties the argument texts and codes; the function id becomes -1.
  void Clear();
  // Reads the stored record; a wrong version leaves the action empty. Always succeeds; damaged
  // data throws StreamError.
  bool LoadFromStream(CStream& str);
  // Turns set-variable and code actions into code, compiles the code and the arguments. A
  // failure is reported as a fatal error of the current action.
  bool Compile();

  int32_t act_libid = 0;
  int32_t act_id = 0;
  int32_t act_kind = kActNormal;
  bool act_userelative = false;
  bool act_isquestion = false;
  bool act_useapplyto = false;
  int32_t act_exetype = kExeNone;
  int32_t act_functionid = -1;
  std::string act_codestring;
  std::unique_ptr<CCode> act_codecode;
  int32_t act_argumentcount = 0;  // 0..8
  std::array<int32_t, kActionArgs> act_argtype{};
  int32_t act_who = -1;
  bool act_relative = false;
  std::array<std::string, kActionArgs> act_argstring;
  std::array<RValue, kActionArgs> act_argvalue;
  std::array<std::unique_ptr<CCode>, kActionArgs> act_argcode;
  bool act_isnot = false;
};

// The id of a function action's name: scripts, extension functions, then built-ins; -1 when
// none matches.
int32_t ResolveActionFunction(std::string_view name);
