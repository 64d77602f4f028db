// Token codes of the lexer and the one table of code-tree node kinds. Statement kinds reuse the
// keyword codes and operator nodes store operator codes, so the two share one numbering.
#pragma once

#include <cstdint>
#include <string_view>

namespace sym {
// Raw token classes.
inline constexpr int32_t kIdent = 0, kNumber = 1, kString = 2, kBad = -1, kEnd = -2;
// Resolved token classes.
inline constexpr int32_t kConst = 5, kFunction = 6, kVariable = 7;
// Keywords; '{' and '}' lex as kBegin and kEndKw.
inline constexpr int32_t kBegin = 11, kEndKw = 12, kIf = 13, kThen = 14, kElse = 15, kWhile = 16,
                         kDo = 17, kFor = 18, kUntil = 19, kRepeat = 20, kExit = 21, kBreak = 22,
                         kContinue = 23, kWith = 24, kReturn = 25, kSwitch = 26, kCase = 27,
                         kDefault = 28, kVar = 29, kGlobalVar = 30;
// Punctuation and assignment.
inline constexpr int32_t kAssign = 101, kAddAssign = 102, kSubAssign = 103, kMulAssign = 104,
                         kDivAssign = 105, kOpen = 106, kClose = 107, kSemicolon = 108, kComma = 109,
                         kOpenBracket = 110, kCloseBracket = 111, kDot = 112, kColon = 113,
                         kOrAssign = 114, kAndAssign = 115, kXorAssign = 116;
// Operators.
inline constexpr int32_t kAnd = 201, kOr = 202, kNot = 203, kLess = 204, kLessEqual = 205,
                         kEqual = 206, kNotEqual = 207, kGreaterEqual = 208, kGreater = 209,
                         kPlus = 210, kMinus = 211, kMul = 212, kDivide = 213, kDiv = 214,
                         kMod = 215, kXor = 216, kBitOr = 217, kBitAnd = 218, kBitXor = 219,
                         kBitNot = 220, kShiftLeft = 221, kShiftRight = 222;
}  // namespace sym

// Node kinds: X(Name, code, dump name, fewest children, most children); -1 = any number.
#define CODE_NODE_KINDS(X)                \
  X(EmptyProgram, -2, "empty", 0, 0)      \
  X(EmptyStatement, -1, "nop", 0, 0)      \
  X(Constant, 5, "const", 0, 0)           \
  X(Call, 6, "call", 0, 16)               \
  X(Variable, 7, "var", 1, 3)             \
  X(SimpleVariable, 8, "svar", 0, 0)      \
  X(If, 13, "if", 2, 3)                   \
  X(While, 16, "while", 2, 2)             \
  X(Do, 17, "do", 2, 2)                   \
  X(For, 18, "for", 4, 4)                 \
  X(Repeat, 20, "repeat", 2, 2)           \
  X(Exit, 21, "exit", 0, 0)               \
  X(Break, 22, "break", 0, 0)             \
  X(Continue, 23, "continue", 0, 0)       \
  X(With, 24, "with", 2, 2)               \
  X(Return, 25, "return", 1, 1)           \
  X(Switch, 26, "switch", 1, -1)          \
  X(Case, 27, "case", 1, 1)               \
  X(Default, 28, "default", 0, 0)         \
  X(LocalDecl, 29, "vardecl", 0, -1)      \
  X(GlobalDecl, 30, "globalvar", 0, -1)   \
  X(Assign, 101, "assign", 2, 2)          \
  X(Block, 1000, "block", 0, -1)          \
  X(Unary, 1010, "unary", 1, 1)           \
  X(Binary, 1011, "binary", 2, 2)

enum class NodeKind : int32_t {
#define CODE_NODE_ENUM(Name, code, dump, lo, hi) Name = code,
  CODE_NODE_KINDS(CODE_NODE_ENUM)
#undef CODE_NODE_ENUM
};

struct RNodeKindInfo {
  NodeKind kind;
  std::string_view name;
  int32_t min_items;
  int32_t max_items;  // -1: any number
};

inline constexpr RNodeKindInfo kNodeKinds[] = {
#define CODE_NODE_INFO(Name, code, dump, lo, hi) {NodeKind::Name, dump, lo, hi},
    CODE_NODE_KINDS(CODE_NODE_INFO)
#undef CODE_NODE_INFO
};

// Null for a kind not in the table.
inline const RNodeKindInfo* NodeKindInfo(int32_t kind) {
  for (const auto& k : kNodeKinds)
    if (static_cast<int32_t>(k.kind) == kind) return &k;
  return nullptr;
}

// Source text of an operator or assignment code, for dumps and messages; "?" when unknown.
inline std::string_view OperatorText(int32_t op) {
  switch (op) {
    case sym::kAssign: return "=";
    case sym::kAddAssign: return "+=";
    case sym::kSubAssign: return "-=";
    case sym::kMulAssign: return "*=";
    case sym::kDivAssign: return "/=";
    case sym::kOrAssign: return "|=";
    case sym::kAndAssign: return "&=";
    case sym::kXorAssign: return "^=";
    case sym::kAnd: return "and";
    case sym::kOr: return "or";
    case sym::kNot: return "not";
    case sym::kLess: return "<";
    case sym::kLessEqual: return "<=";
    case sym::kEqual: return "==";
    case sym::kNotEqual: return "!=";
    case sym::kGreaterEqual: return ">=";
    case sym::kGreater: return ">";
    case sym::kPlus: return "+";
    case sym::kMinus: return "-";
    case sym::kMul: return "*";
    case sym::kDivide: return "/";
    case sym::kDiv: return "div";
    case sym::kMod: return "mod";
    case sym::kXor: return "xor";
    case sym::kBitOr: return "|";
    case sym::kBitAnd: return "&";
    case sym::kBitXor: return "^";
    case sym::kBitNot: return "~";
    case sym::kShiftLeft: return "<<";
    case sym::kShiftRight: return ">>";
    default: return "?";
  }
}
