// The lexer; see Code_Phase1.h.
#include "runner/code/Code_Phase1.h"

#include "runner/code/Code_Check.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Main.h"
#include "runner/code/Code_Token.h"

namespace {
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexLetter(char c) { return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

struct Op {
  std::string_view text;
  int32_t code;
};

constexpr Op kTwoChar[] = {
    {":=", sym::kAssign},        {"+=", sym::kAddAssign},  {"-=", sym::kSubAssign},
    {"*=", sym::kMulAssign},     {"/=", sym::kDivAssign},  {"|=", sym::kOrAssign},
    {"&=", sym::kAndAssign},     {"^=", sym::kXorAssign},  {"&&", sym::kAnd},
    {"||", sym::kOr},            {"^^", sym::kXor},        {"<=", sym::kLessEqual},
    {"==", sym::kEqual},         {"!=", sym::kNotEqual},   {"<>", sym::kNotEqual},
    {">=", sym::kGreaterEqual},  {"<<", sym::kShiftLeft},  {">>", sym::kShiftRight},
};

int32_t OneChar(char c) {
  switch (c) {
    case '=': return sym::kAssign;
    case '{': return sym::kBegin;
    case '}': return sym::kEndKw;
    case '(': return sym::kOpen;
    case ')': return sym::kClose;
    case '[': return sym::kOpenBracket;
    case ']': return sym::kCloseBracket;
    case ';': return sym::kSemicolon;
    case ',': return sym::kComma;
    case '.': return sym::kDot;
    case ':': return sym::kColon;
    case '!': return sym::kNot;
    case '+': return sym::kPlus;
    case '-': return sym::kMinus;
    case '*': return sym::kMul;
    case '/': return sym::kDivide;
    case '<': return sym::kLess;
    case '>': return sym::kGreater;
    case '|': return sym::kBitOr;
    case '&': return sym::kBitAnd;
    case '^': return sym::kBitXor;
    case '~': return sym::kBitNot;
    default: return sym::kBad;
  }
}
}  // namespace

int32_t KeywordCode(std::string_view w) {
  static constexpr Op kWords[] = {
      {"begin", sym::kBegin},   {"end", sym::kEndKw},       {"if", sym::kIf},
      {"then", sym::kThen},     {"else", sym::kElse},       {"while", sym::kWhile},
      {"do", sym::kDo},         {"for", sym::kFor},         {"until", sym::kUntil},
      {"repeat", sym::kRepeat}, {"exit", sym::kExit},       {"break", sym::kBreak},
      {"continue", sym::kContinue}, {"with", sym::kWith},   {"return", sym::kReturn},
      {"switch", sym::kSwitch}, {"case", sym::kCase},       {"default", sym::kDefault},
      {"var", sym::kVar},       {"globalvar", sym::kGlobalVar}, {"and", sym::kAnd},
      {"or", sym::kOr},         {"not", sym::kNot},         {"div", sym::kDiv},
      {"mod", sym::kMod},       {"xor", sym::kXor},
  };
  for (const Op& k : kWords)
    if (k.text == w) return k.code;
  return sym::kIdent;
}

std::vector<int32_t> Utf16Positions(std::string_view text) {
  std::vector<int32_t> pos(text.size() + 1);
  int32_t unit = 1;
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    size_t k = 1;
    while (k < n && i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80) ++k;
    for (size_t j = 0; j < k; ++j) pos[i + j] = unit;
    i += k;
    if (unit < INT32_MAX - 2) unit += (n == 4 && k == 4) ? 2 : 1;
  }
  pos[text.size()] = unit;
  return pos;
}

bool Lex(const CCode& code, RTokenList1& out, RCodeFaults* faults) {
  out.clear();
  const std::string& src = code.GetText();
  std::vector<int32_t> unitPos = Utf16Positions(src);
  std::string t = src + "   ";
  const size_t n = t.size();
  auto P = [&](size_t i) -> int32_t {
    if (i < src.size()) return unitPos[i];
    int64_t p = static_cast<int64_t>(unitPos[src.size()]) + static_cast<int64_t>(i - src.size());
    return p > INT32_MAX ? INT32_MAX : static_cast<int32_t>(p);
  };

  size_t i = 0;
  for (;;) {
    while (i < n && static_cast<unsigned char>(t[i]) <= 32) ++i;
    if (i >= n) {
      out.push_back({sym::kEnd, {}, P(i)});
      return true;
    }
    const char c = t[i];
    const char d = i + 1 < n ? t[i + 1] : '\0';
    if (c == '/' && d == '/') {
      i += 2;
      while (i < n && t[i] != '\r' && t[i] != '\n') ++i;
      if (i < n) ++i;
      continue;
    }
    if (c == '/' && d == '*') {
      size_t e = t.find("*/", i + 2);
      i = e == std::string::npos ? n : e + 2;
      continue;
    }
    const size_t start = i;
    if (IsLetter(c)) {
      while (i < n && (IsLetter(t[i]) || IsDigit(t[i]))) ++i;
      std::string word = t.substr(start, i - start);
      int32_t kw = KeywordCode(word);
      out.push_back({kw, kw == sym::kIdent ? std::move(word) : std::string(), P(start)});
      continue;
    }
    if (IsDigit(c) || c == '$' || (c == '.' && IsDigit(d))) {
      if (c == '$') {
        ++i;
        while (i < n && (IsDigit(t[i]) || IsHexLetter(t[i]))) ++i;
      } else {
        while (i < n && (IsDigit(t[i]) || t[i] == '.')) ++i;
      }
      out.push_back({sym::kNumber, t.substr(start, i - start), P(start)});
      continue;
    }
    if (c == '"' || c == '\'') {
      size_t e = t.find(c, i + 1);
      // Unterminated: the rest of the text, the three appended blanks included.
      size_t stop = e == std::string::npos ? n : e;
      out.push_back({sym::kString, t.substr(i + 1, stop - i - 1), P(start)});
      i = e == std::string::npos ? n : e + 1;
      continue;
    }
    int32_t code2 = sym::kBad;
    for (const Op& op : kTwoChar)
      if (op.text[0] == c && op.text[1] == d) code2 = op.code;
    if (code2 != sym::kBad) {
      out.push_back({code2, {}, P(start)});
      i += 2;
      continue;
    }
    int32_t code1 = OneChar(c);
    if (code1 == sym::kBad) {
      ReportCodeError(code, P(start), "Unexpected symbol.");
      if (!faults) return false;
      faults->Take();
      if (faults->Full()) return false;
    }
    out.push_back({code1, {}, P(start)});
    ++i;
  }
}
