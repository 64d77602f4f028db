// Compiling every piece of a project's code before anything is built, so an author sees all
// faults of a build at once, each at its place in the file it was written in.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/gamebuild/Project.h"

namespace gamebuild {

// One code fault: the file (relative to the project directory), the line and column in it
// (1-based; 0 when the place in the file could not be found), the message and the line's text.
struct RCodeFault {
  std::string file;
  std::string key;  // for code inside a JSON string
  int32_t line = 0;
  int32_t column = 0;
  std::string message;
  std::string lineText;
};

// Every fault of the project's code, in the order the project was read; dir is the project
// directory, whose JSON files are read again to find inline code in them.
std::vector<RCodeFault> CompileProjectCode(const RProject& project, const std::filesystem::path& dir);

// "FILE:LINE:COLUMN: message", then the line and a caret under the column; FILE is shown
// under the folder the project was named by.
std::string FormatCodeFault(const RCodeFault& fault, const std::filesystem::path& project);

// The project's code does not compile. File() and Key() name the first fault.
class CodeErrors : public ProjectError {
 public:
  explicit CodeErrors(std::vector<RCodeFault> faults);
  const std::vector<RCodeFault>& Faults() const { return faults_; }

 private:
  std::vector<RCodeFault> faults_;
};

// Throws CodeErrors when any code of the project does not compile.
void CheckProjectCode(const RProject& project, const std::filesystem::path& dir);

}  // namespace gamebuild
