// docs/first-game.md works as written: its shell commands run in order in an empty folder, with
// each file it shows written where it says, and the project the reader ends up with is
// examples/first-game byte for byte. So the walkthrough, the example and the tools cannot drift
// apart unnoticed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {
std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// The walkthrough as one shell script: its sh blocks as they are, and each file block after a
// line "`mygame/PATH`:" written to PATH, in page order.
std::string WalkthroughScript(const std::string& page) {
  static const std::regex kFileLine("^`(mygame/[^`]+)`:$");
  std::istringstream in(page);
  std::string script = "set -e\n", line, file;
  while (std::getline(in, line)) {
    std::smatch m;
    if (std::regex_match(line, m, kFileLine)) {
      file = m[1];
      continue;
    }
    if (!line.starts_with("```")) continue;
    const bool shell = line == "```sh";
    std::string block;
    while (std::getline(in, line) && !line.starts_with("```")) block += line + "\n";
    if (shell)
      script += block;
    else if (!file.empty())
      script += "cat > '" + file + "' <<'END_OF_FILE'\n" + block + "END_OF_FILE\n";
    file.clear();
  }
  return script;
}

std::set<std::string> FilesUnder(const fs::path& root) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) out.insert(fs::relative(e.path(), root).string());
  return out;
}

TEST(FirstGame, TheWalkthroughWorksAsWritten) {
  const fs::path source(TEST_SOURCE_DIR);
  const fs::path work = fs::path(TEST_BINARY_DIR) / "games" / "first-game-walkthrough";
  fs::remove_all(work);
  fs::create_directories(work);
  // The reader stands in the repository's root, where the example's pictures and sound are.
  fs::create_directory_symlink(source / "examples", work / "examples");
  {
    std::ofstream(work / "walkthrough.sh") << WalkthroughScript(ReadFile(source / "docs/first-game.md"));
  }
  const std::string bin = fs::path(RUNNER_EXE).parent_path().string();
  const std::string command = "cd '" + work.string() + "' && PATH='" + bin + "':\"$PATH\" XDG_CONFIG_HOME='" +
                              (work / "config").string() + "' bash walkthrough.sh >stdout.txt 2>stderr.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(work / "stderr.txt");
  EXPECT_NE(ReadFile(work / "stdout.txt").find("caught 2"), std::string::npos) << ReadFile(work / "stdout.txt");
  EXPECT_TRUE(fs::exists(work / "run/catch.png"));

  const fs::path example = source / "examples/first-game";
  const std::set<std::string> files = FilesUnder(example);
  EXPECT_EQ(FilesUnder(work / "mygame"), files);
  for (const std::string& f : files) EXPECT_EQ(ReadFile(work / "mygame" / f), ReadFile(example / f)) << f;
}
}  // namespace
