// Compiler phase 1: the lexer, cutting code text into raw tokens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CCode;
struct RCodeFaults;

struct RToken1 {
  int32_t symbol = 0;    // sym:: code
  std::string str;       // identifier, number text or string contents
  int32_t position = 0;  // 1-based, in UTF-16 units of the code text
};

using RTokenList1 = std::vector<RToken1>;

// 1-based UTF-16 position of each byte of text (bytes of one character share it), plus one
// entry for the end of the text.
std::vector<int32_t> Utf16Positions(std::string_view text);

// Lexes code's text; the list always ends with the end token. On failure reports
// "Unexpected symbol." at the offending character and returns false. With faults, each such
// character is handed over there and stays in the list as a bad token.
bool Lex(const CCode& code, RTokenList1& out, RCodeFaults* faults = nullptr);
// The keyword code of a word, or sym::kIdent.
int32_t KeywordCode(std::string_view word);
