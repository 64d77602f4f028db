// Compiling a project's code with the runner's own compiler, each piece on its own and every
// piece tried; within a piece the compiler goes on past a fault to the next statement, so an
// author sees the faults of a build at once.
#include "tools/gamebuild/Project_Code.h"

#include <nlohmann/json.hpp>

#include "runner/code/Code_Check.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Code_Main.h"
#include "runner/shell/Runner_Game.h"
#include "tools/gamebuild/Project_Files.h"

namespace fs = std::filesystem;

namespace gamebuild {
namespace {

template <class T>
bool FindName(const std::vector<std::optional<T>>& list, std::string_view name, int32_t& index) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] && list[i]->name == name) {
      index = static_cast<int32_t>(i);
      return true;
    }
  return false;
}

// The compiler's view of the project: its scripts, extension functions, resources and
// trigger constants beside the built-ins. Constants are left to the runner, which evaluates
// them; to the compiler an unknown name is a variable, so nothing compiles here that fails there.
class ProjectCompileContext : public CompileContext {
 public:
  explicit ProjectCompileContext(const RProject& project) : project_(project) {}
  bool FindFunction(std::string_view name, int32_t& id) const override {
    int32_t i;
    if (FindName(project_.scripts, name, i)) {
      id = kScriptIdBase + i;
      return true;
    }
    if (const RExtensionFunctionSource* f = Extension(name)) {
      id = kExtensionIdBase + f->id;
      return true;
    }
    return FindBuiltinFunction(name, id);
  }
  int32_t FunctionArgCount(int32_t id) const override {
    if (id >= kExtensionIdBase) {
      for (const auto& e : project_.extensions)
        for (const auto& file : e.files)
          for (const auto& f : file.functions)
            if (f.id == id - kExtensionIdBase) return f.argcount;
      return kNoFunction;
    }
    return id >= kScriptIdBase ? kArgsAny : ::FunctionArgCount(id);
  }
  std::string FunctionName(int32_t id) const override {
    if (id >= kExtensionIdBase) return "extension function " + std::to_string(id - kExtensionIdBase);
    if (id >= kScriptIdBase) {
      const size_t i = static_cast<size_t>(id - kScriptIdBase);
      return i < project_.scripts.size() && project_.scripts[i] ? project_.scripts[i]->name : "";
    }
    return ::FunctionName(id);
  }
  bool FindResource(ResourceKind kind, std::string_view name, int32_t& index) const override {
    switch (kind) {
      case ResourceKind::Object: return FindName(project_.objects, name, index);
      case ResourceKind::Sprite: return FindName(project_.sprites, name, index);
      case ResourceKind::Sound: return FindName(project_.sounds, name, index);
      case ResourceKind::Background: return FindName(project_.backgrounds, name, index);
      case ResourceKind::Path: return FindName(project_.paths, name, index);
      case ResourceKind::Font: return FindName(project_.fonts, name, index);
      case ResourceKind::TimeLine: return FindName(project_.timelines, name, index);
      case ResourceKind::Script: return FindName(project_.scripts, name, index);
      case ResourceKind::Room: return FindName(project_.rooms, name, index);
    }
    return false;
  }
  bool FindTrigger(std::string_view name, int32_t& index) const override {
    for (size_t i = 0; i < project_.triggers.size(); ++i)
      if (project_.triggers[i] && !project_.triggers[i]->constant.empty() && project_.triggers[i]->constant == name) {
        index = static_cast<int32_t>(i);
        return true;
      }
    return false;
  }

 private:
  const RExtensionFunctionSource* Extension(std::string_view name) const {
    for (const auto& e : project_.extensions)
      for (const auto& file : e.files)
        for (const auto& f : file.functions)
          if (f.name == name) return &f;
    return nullptr;
  }
  const RProject& project_;
};

// Width of the UTF-8 sequence led by c (a stray continuation byte counts alone).
size_t SequenceLength(unsigned char c) { return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1; }

struct Place {
  int32_t line = 1;
  int32_t column = 1;
};

// The line and column (in characters) of a 1-based position in UTF-16 units of code text;
// CR LF, CR and LF each end a line. A position past the end points just after the last character.
Place PlaceOf(std::string_view text, int32_t position) {
  Place p;
  int64_t unit = 0;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t n = std::min(SequenceLength(c), text.size() - i);
    const int32_t width = n == 4 ? 2 : 1;
    if (unit + width >= position) return p;
    unit += width;
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        if (unit + 1 >= position) return p;  // the line feed of a pair: the line's end
        ++unit;
        ++i;
      }
      ++p.line;
      p.column = 1;
    } else {
      ++p.column;
    }
    i += n;
  }
  return p;
}

// Byte offset of a line and column in text whose lines end as PlaceOf counts them.
size_t OffsetOf(std::string_view text, Place at) {
  Place p;
  size_t i = 0;
  while (i < text.size() && (p.line < at.line || p.column < at.column)) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r' || c == '\n') {
      if (p.line == at.line) break;  // the column lies past the line's end
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++i;
      ++p.line;
      p.column = 1;
      continue;
    }
    i += std::min(SequenceLength(c), text.size() - i);
    ++p.column;
  }
  return i;
}

int32_t Characters(std::string_view text) {
  int32_t n = 0;
  for (size_t i = 0; i < text.size(); i += std::min(SequenceLength(static_cast<unsigned char>(text[i])), text.size() - i)) ++n;
  return n;
}

// The text of the line that holds byte offset at.
std::string LineAt(std::string_view text, size_t at) {
  const size_t start = at == 0 ? 0 : text.find_last_of("\r\n", at - 1) + 1;  // npos + 1 == 0
  size_t end = text.find_first_of("\r\n", start);
  if (end == std::string_view::npos) end = text.size();
  return std::string(text.substr(start, end - start));
}

std::string FileText(const fs::path& dir, const std::string& file) {
  std::vector<uint8_t> bytes;
  std::string why;
  if (!ReadRegularFile(dir / file, bytes, why)) return "";
  std::string text(bytes.begin(), bytes.end());
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  return text;
}

// Places the fault at in code inside the JSON file that holds it as a string: the string is
// looked for as the JSON writer spells it, which is how people write it too. Not found (the
// file spells it with other escapes), the fault keeps its place inside the code.
void PlaceInline(RCodeFault& fault, const RCodeSource& code, Place at, const fs::path& dir) {
  const std::string file = FileText(dir, code.file);
  const std::string spelled = nlohmann::json(code.source).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  const size_t found = file.empty() ? std::string::npos : file.find(spelled);
  if (found == std::string::npos) {
    fault.line = 0;
    fault.message = code.key + ", line " + std::to_string(at.line) + ", column " + std::to_string(at.column) + ": " +
                    fault.message;
    return;
  }
  const size_t inside = OffsetOf(code.source, at);
  const std::string prefix =
      nlohmann::json(code.source.substr(0, inside)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  const Place start = PlaceOf(file, Characters(std::string_view(file).substr(0, found)) + 1);
  fault.line = start.line;
  fault.column = start.column + Characters(prefix) - 1;  // the opening quote, not the closing one
  fault.lineText = LineAt(file, found);
}

bool IsNameChar(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

// The name that ends at or just before byte offset at.
std::string NameAt(std::string_view text, size_t at) {
  size_t end = std::min(at + 1, text.size());
  while (end > 0 && !IsNameChar(text[end - 1])) --end;
  size_t start = end;
  while (start > 0 && IsNameChar(text[start - 1])) --start;
  return std::string(text.substr(start, end - start));
}

constexpr std::string_view kRedeclared = "Cannot redeclare a builtin variable.";

RCodeFault Fault(const RCodeSource& code, const RCodeError& error, const fs::path& dir) {
  RCodeFault fault;
  fault.file = code.file;
  fault.key = code.key;
  fault.message = error.text.empty() ? (error.message.empty() ? "does not compile" : error.message) : error.text;
  // The compiler's position is that of the token it complains about, in UTF-16 units with
  // both characters of a line end counted.
  const Place at = PlaceOf(code.text, error.position > 1 ? error.position : 1);
  // The game sees the compiler's sentence as it is; the author is told which name it means.
  if (fault.message == kRedeclared)
    if (const std::string name = NameAt(code.text, OffsetOf(code.text, at)); !name.empty())
      fault.message = std::string(kRedeclared.substr(0, kRedeclared.size() - 1)) + ": " + name;
  if (!code.what.empty()) fault.message = code.what + ": " + fault.message;
  if (code.key.empty()) {
    fault.line = at.line;
    fault.column = at.column;
    fault.lineText = LineAt(code.text, OffsetOf(code.text, at));
  } else {
    PlaceInline(fault, code, at, dir);
  }
  return fault;
}

}  // namespace

std::vector<RCodeFault> CompileProjectCode(const RProject& project, const fs::path& dir) {
  InitFunctions(RunnerFunctionFamilies());
  ProjectCompileContext context(project);
  CompileContext* previous = &GetCompileContext();
  SetCompileContext(&context);
  std::vector<RCodeFault> faults;
  for (const RCodeSource& code : project.codes) {
    CCode compiled(code.text, code.expression);
    std::vector<RCodeError> errors;
    try {
      errors = CompileEveryFault(compiled);
    } catch (const std::exception& e) {
      RCodeError error;
      error.text = e.what();
      errors.push_back(std::move(error));
    }
    for (const RCodeError& error : errors) faults.push_back(Fault(code, error, dir));
  }
  ClearCodeError();
  SetCompileContext(previous);
  return faults;
}

std::string FormatCodeFault(const RCodeFault& fault, const fs::path& project) {
  const std::string file = (project / fault.file).string();
  if (fault.line <= 0) return file + ": " + fault.message + "\n";
  std::string out = file + ":" + std::to_string(fault.line) + ":" + std::to_string(fault.column) + ": " + fault.message + "\n";
  out += fault.lineText + "\n";
  // Tabs stay tabs so the caret lines up however wide the terminal draws them.
  int32_t column = 1;
  for (size_t i = 0; i < fault.lineText.size() && column < fault.column; ++column) {
    out += fault.lineText[i] == '\t' ? '\t' : ' ';
    i += std::min(SequenceLength(static_cast<unsigned char>(fault.lineText[i])), fault.lineText.size() - i);
  }
  for (; column < fault.column; ++column) out += ' ';
  out += "^\n";
  return out;
}

CodeErrors::CodeErrors(std::vector<RCodeFault> faults)
    : ProjectError(faults.empty() ? "" : faults[0].file, faults.empty() ? "" : faults[0].key,
                   faults.empty() ? "" : faults[0].message),
      faults_(std::move(faults)) {}

void CheckProjectCode(const RProject& project, const fs::path& dir) {
  std::vector<RCodeFault> faults = CompileProjectCode(project, dir);
  if (!faults.empty()) throw CodeErrors(std::move(faults));
}

}  // namespace gamebuild
