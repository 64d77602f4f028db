// make_reference: writes the reference of what games can use, or checks that a written one is
// still what the runner's tables give (the test suite runs the check).
//
//   make_reference DESCRIPTIONS OUTPUT          write OUTPUT
//   make_reference --check DESCRIPTIONS FILE    exit 1 when FILE is not what would be written
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "runner/base/Game.h"
#include "tools/reference/Reference.h"

namespace {
constexpr const char* kRefresh = "cmake --build --preset ci --target reference";

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 4 && std::string(argv[1]) == "--check";
  if (argc != 3 && !check) {
    std::cerr << "usage: make_reference [--check] DESCRIPTIONS REFERENCE\n";
    return 2;
  }
  const std::string descriptions = argv[check ? 2 : 1], target = argv[check ? 3 : 2];
  GameScope game;
  std::string file;
  if (!ReadFile(descriptions, file)) {
    std::cerr << descriptions << ": cannot be read\n";
    return 1;
  }
  RFunctionTexts texts;
  std::vector<std::string> errors;
  ParseFunctionTexts(file, texts, errors);
  const std::vector<RReferenceFamily> families = RunnerReferenceFamilies();
  for (std::string& e : CheckFunctionTexts(families, texts)) errors.push_back(std::move(e));
  if (!errors.empty()) {
    for (const std::string& e : errors) std::cerr << descriptions << ": " << e << "\n";
    return 1;
  }
  const std::string reference = WriteReference(families, texts);
  if (check) {
    std::string written;
    if (!ReadFile(target, written) || written != reference) {
      std::cerr << target << " is out of date with the runner's tables; refresh it with: " << kRefresh << "\n";
      return 1;
    }
    return 0;
  }
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << reference;
  out.close();
  if (!out) {
    std::cerr << target << ": cannot be written\n";
    return 1;
  }
  return 0;
}
