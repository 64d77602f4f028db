// Writes the reference of everything a game can use (built-in functions, variables, constants,
// events and key names) from the runner's own registration tables, so it cannot drift from what
// the runner registers. Only the functions' argument names and one-line descriptions live
// outside the tables, in a text file beside this tool; the writer refuses to run when that file
// and the registry disagree.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "runner/code/Code_Function.h"

// One line of the descriptions file: `name(arg, arg) What it does.`
struct RFunctionText {
  std::string args;  // as written between the parentheses
  std::string text;
  int32_t line = 0;
};
using RFunctionTexts = std::map<std::string, RFunctionText, std::less<>>;

// A family of built-in functions with its heading.
struct RReferenceFamily {
  std::string title;
  FunctionFamily functions;
};

// Reads the descriptions file. Blank lines and lines starting with '#' are skipped. False with
// "line N: reason" in errors for each malformed or repeated line.
bool ParseFunctionTexts(std::string_view file, RFunctionTexts& out, std::vector<std::string>& errors);

// Every disagreement between the registry and the descriptions: a registered function without a
// description, a description of a name nobody registers, or an argument list whose length is
// not the registered count ("..." stands for any number). Empty when they agree.
std::vector<std::string> CheckFunctionTexts(const std::vector<RReferenceFamily>& families,
                                            const RFunctionTexts& texts);

// The runner's families in registration order, each with its heading. Throws std::logic_error
// for a family that has no heading yet (a new family needs one here).
std::vector<RReferenceFamily> RunnerReferenceFamilies();

// The whole reference as Markdown. The descriptions must have passed CheckFunctionTexts.
std::string WriteReference(const std::vector<RReferenceFamily>& families, const RFunctionTexts& texts);
