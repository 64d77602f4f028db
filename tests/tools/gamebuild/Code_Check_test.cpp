// gamebuild compiles all of a project's code before it builds: every faulty piece is reported,
// with the faults after the first in the same piece, each at its line and column in the file
// the author wrote it in, and nothing is written.
#include <gtest/gtest.h>

#include "tests/tools/gamebuild/GameFixture.h"
#include "tools/gamebuild/Project_Code.h"

namespace {
using fixture::Project;

struct Expected {
  const char* file;
  int32_t line;
  int32_t column;
  const char* message;  // a part of it
};

TEST(CodeCheck, EveryFaultIsReportedWhereItWasWritten) {
  Project p(std::map<std::string, std::string>{{"game.json", "{\"game_id\": 1, \"resources\": {\"rooms\": [\"rm_main\"], \"scripts\": [\"scr_a\", "
                             "\"scr_b\"], \"objects\": [\"obj\"]}, \"room_order\": [\"rm_main\"],"
                             " \"library_init\": [\"init.kvs\"]}"}});
  p.Write("init.kvs", "x = 1;\n");  // good code gives no fault
  p.Write("scripts/scr_a.kvs", "var a;\r\na = 1 +;\r\nb = nofunc(a);\r\nvar x;\r\n");
  p.Write("scripts/scr_b.kvs", "return argument0 * 2;\n");
  p.Write("objects/obj.json", "{\"events\": {\n"
                              "  \"create\": [\"ok = scr_b(1);\", \"y = (2;\"],\n"
                              "  \"step\": [{\"code_file\": \"obj/step.kvs\"}]}}\n");
  p.Write("objects/obj/step.kvs", "if (a > 1) {\n\tvar x;\n\ty = 2 *;\n}\n");
  p.Write("rooms/rm_main.json", "{\"instances\": [{\"object\": \"obj\", \"code\": \"hp = 3;\\nhp = hp +* 2;\"}]}");
  p.Write("triggers.json", "[{\"name\": \"tr\", \"condition\": \"scr_b(1) >\"}]");
  p.Write("constants.json", "[[\"GOOD\", \"3 * 4\"], [\"BAD\", \"(1\"]]");

  const Expected expected[] = {
      {"scripts/scr_a.kvs", 2, 8, "Unexpected symbol"},
      {"scripts/scr_a.kvs", 3, 5, "Unknown function or script: nofunc"},
      {"scripts/scr_a.kvs", 4, 5, "Cannot redeclare a builtin variable: x"},
      {"triggers.json", 1, 41, "bad condition: "},
      {"objects/obj.json", 2, 39, "Symbol ) expected."},
      {"objects/obj/step.kvs", 2, 6, "Cannot redeclare a builtin variable: x"},
      {"objects/obj/step.kvs", 3, 9, "Unexpected symbol"},
      {"rooms/rm_main.json", 1, 61, "Unexpected symbol"},
      {"constants.json", 1, 32, "bad value of constant BAD"},
  };
  std::vector<gamebuild::RCodeFault> faults;
  try {
    gamebuild::CheckProjectCode(gamebuild::ReadProject(p.path()), p.path());
    FAIL() << "no fault";
  } catch (const gamebuild::CodeErrors& e) {
    faults = e.Faults();
  }
  ASSERT_EQ(faults.size(), std::size(expected));
  for (size_t i = 0; i < faults.size(); ++i) {
    SCOPED_TRACE(faults[i].file + ": " + faults[i].message);
    EXPECT_EQ(faults[i].file, expected[i].file);
    EXPECT_EQ(faults[i].line, expected[i].line);
    EXPECT_EQ(faults[i].column, expected[i].column);
    EXPECT_NE(faults[i].message.find(expected[i].message), std::string::npos);
  }
  // The line as written, and a caret under the column (tabs kept so it lines up).
  EXPECT_EQ(gamebuild::FormatCodeFault(faults[5], "game"),
            "game/objects/obj/step.kvs:2:6: " + faults[5].message + "\n\tvar x;\n\t    ^\n");
}

}  // namespace
