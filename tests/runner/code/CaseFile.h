// Case files: cases opened by a line "#--- KIND NAME [words]", each case's text being the lines
// up to the next header. Shared by the compiler and interpreter table tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct Case {
  std::string header;  // the line after "#--- "
  bool expr = false;
  std::string text;
};

inline std::string ReadCaseFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline std::vector<Case> SplitCases(const std::string& file) {
  std::vector<Case> cases;
  std::istringstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("#--- ", 0) == 0) {
      Case c;
      c.header = line.substr(5);
      c.expr = c.header.rfind("expr", 0) == 0;
      cases.push_back(c);
      continue;
    }
    if (cases.empty()) continue;
    cases.back().text += line + "\n";
  }
  for (Case& c : cases)
    if (!c.text.empty()) c.text.pop_back();
  return cases;
}

inline std::vector<std::filesystem::path> CaseFilesIn(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().extension() == ".kvs") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

// The words of a header: kind, name, then options.
inline std::vector<std::string> HeaderWords(const std::string& header) {
  std::vector<std::string> words;
  std::istringstream in(header);
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

// Compares the output of a case file with the .expected file beside it, case by case; with
// KVS_UPDATE set it rewrites the expected file instead (check every change by hand).
inline void CheckExpectedOutput(const std::filesystem::path& file, const std::string& actual,
                                const std::string& title) {
  const std::filesystem::path expectedPath = std::filesystem::path(file).replace_extension(".expected");
  if (std::getenv("KVS_UPDATE")) {
    std::ofstream(expectedPath, std::ios::binary)
        << title << " " << file.filename().string() << "; KVS_UPDATE=1 rewrites it.\n" << actual;
    return;
  }
  auto want = SplitCases(ReadCaseFile(expectedPath));
  auto got = SplitCases(actual);
  ASSERT_EQ(want.size(), got.size()) << file.filename() << ": case count differs";
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(want[i].header, got[i].header) << file.filename();
    EXPECT_EQ(want[i].text, got[i].text) << file.filename() << " case " << got[i].header;
  }
}
