// The action functions in a small world, one table per family of actions: each action's effect,
// its relative version, and the questions with not and apply-to; plus the list of the action
// functions that no family registers yet.
#include <set>
#include <string>
#include <vector>

#include "runner/base/Option_Main.h"
#include "runner/code/Code_Function.h"
#include "runner/code/Script_Main.h"
#include "runner/functions/Function_ActionList.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/Run_Main.h"
#include "runner/shell/Runner_Game.h"
#include "tests/runner/functions/ActionWorld.h"

using namespace actions;
using world::Trace;

namespace {

using Log = std::vector<std::string>;

// An action run on a fresh instance at (10, 20) after some set-up code, and the value of an
// expression afterwards.
struct REffectCase {
  RActionDesc action;
  std::string setup;
  std::string check;
  double want;
};

class Actions : public ActionTest {
 protected:
  void RunEffects(const std::vector<REffectCase>& cases) {
    const int32_t obj = AddObject();
    for (const REffectCase& c : cases) {
      CInstance* self = room.AddInstance(10, 20, obj);
      if (!c.setup.empty()) Run(self, c.setup);
      Do(c.action, self);
      EXPECT_NEAR(Real(self, c.check), c.want, 1e-9)
          << c.action.name << (c.action.relative ? " relative" : "") << " after '" << c.setup << "'";
    }
  }
};

TEST_F(Actions, Motion) {
  RunEffects({
      {{"action_move", {"'000010000'", "3"}}, "speed = 5; direction = 90", "speed", 0},
      {{"action_move", {"'000000010'", "3"}}, "", "direction * 100 + speed", 9003},
      {{"action_move", {"'000000010'", "3"}, true}, "speed = 2", "speed", 5},
      {{"action_move", {"'000000000'", "3"}}, "speed = 2", "speed", 2},
      {{"action_set_motion", {"90", "4"}}, "", "vspeed", -4},
      {{"action_set_motion", {"90", "4"}, true}, "hspeed = 3", "speed", 5},
      {{"action_set_hspeed", {"3"}}, "hspeed = 2", "hspeed", 3},
      {{"action_set_hspeed", {"3"}, true}, "hspeed = 2", "hspeed", 5},
      {{"action_set_vspeed", {"-2"}, true}, "vspeed = 1", "vspeed", -1},
      {{"action_set_gravity", {"180", "0.5"}}, "", "gravity_direction * 10 + gravity", 1800.5},
      {{"action_set_gravity", {"10", "0.5"}, true},
       "gravity = 1",
       "gravity_direction * 10 + gravity",
       2801.5},
      {{"action_set_friction", {"0.25"}, true}, "friction = 0.25", "friction", 0.5},
      {{"action_move_point", {"40", "60", "5"}}, "", "hspeed * 10 + vspeed", 34},
      {{"action_move_point", {"30", "40", "5"}, true}, "", "hspeed * 10 + vspeed", 34},
      {{"action_move_to", {"5", "6"}}, "", "x * 100 + y", 506},
      {{"action_move_to", {"5", "6"}, true}, "", "x * 100 + y", 1526},
      {{"action_move_start", {}}, "x = 70; y = 80", "x * 100 + y", 1020},
      {{"action_snap", {"16", "16"}}, "x = 20; y = 9", "x * 100 + y", 1616},
      {{"action_wrap", {"0"}}, "x = -5; hspeed = -1", "x", 635},
      {{"action_wrap", {"0"}}, "x = 640; hspeed = 1", "x", 0},
      {{"action_wrap", {"0"}}, "x = -5; hspeed = 1", "x", -5},
      {{"action_wrap", {"1"}}, "x = -5; y = -1; vspeed = -1", "x * 1000 + y", -5000 + 479},
      {{"action_wrap", {"2"}}, "x = 650; y = 490; hspeed = 1; vspeed = 1", "x * 1000 + y", 10010},
      {{"action_reverse_xdir", {}}, "hspeed = 3; vspeed = 2", "hspeed * 10 + vspeed", -28},
      {{"action_reverse_ydir", {}}, "hspeed = 3; vspeed = 2", "hspeed * 10 + vspeed", 28},
  });
  EXPECT_TRUE(Errors().empty());
}

TEST_F(Actions, MoveChoosesOnlyMarkedDirections) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  std::set<double> seen;
  for (int32_t i = 0; i < 200; ++i) {
    Do({"action_move", {"'111101111'", "4"}}, self);
    EXPECT_EQ(self->i_speed, 4);
    seen.insert(self->i_direction);
  }
  EXPECT_EQ(seen, (std::set<double>{0, 45, 90, 135, 180, 225, 270, 315}));

  Do({"action_move", {"'11110111'", "4"}}, self);
  EXPECT_EQ(Errors(), (Log{"Wrong argument to action_move()."}));
}

TEST_F(Actions, ContactBounceAndRandomAgainstSolids) {
  const int32_t box = Square(8);
  const int32_t wall = AddObjectWith(box, true);
  const int32_t mover = AddObjectWith(box);
  room.AddInstance(40, 0, wall);
  CInstance* self = room.AddInstance(0, 0, mover);

  Do({"action_move_contact", {"0", "100", "0"}}, self);  // solid ones only
  EXPECT_EQ(self->i_x, 32);
  self->SetPosition(0, 0);
  Do({"action_move_contact", {"0", "10", "1"}}, self);  // the maximum holds
  EXPECT_EQ(self->i_x, 10);

  self->SetPosition(30, 0);
  self->Sethspeed(4);
  Do({"action_bounce", {"0", "0"}}, self);
  EXPECT_EQ(self->i_hspeed, -4);

  room.r_width = 64;
  room.r_height = 8;
  for (int32_t i = 0; i < 20; ++i) {
    Do({"action_move_random", {"8", "0"}}, self);
    EXPECT_EQ(static_cast<int32_t>(self->i_x) % 8, 0);
    EXPECT_TRUE(self->i_x <= 32 || self->i_x >= 48) << self->i_x;  // never on the wall
  }
}

TEST_F(Actions, Instances) {
  const int32_t a = AddObject();
  const int32_t b = AddObjectWith(Square(4));
  Code(b, ev_create, 0, "t_log(string(x) + \",\" + string(y) + \" speed \" + string(speed))");
  Code(b, ev_destroy, 0, "t_log(\"b destroyed\")");
  CInstance* self = room.AddInstance(10, 20, a);
  const std::string B = std::to_string(b);

  Do({"action_create_object", {B, "1", "2"}}, self);
  Do({"action_create_object", {B, "1", "2"}, true}, self);
  Do({"action_create_object_motion", {B, "0", "0", "3", "90"}}, self);
  Do({"action_create_object_random", {"-1", "77", B, "-1", "5", "5"}}, self);
  Do({"action_create_object_random", {"-1", "77", "88", "-1", "5", "5"}}, self);  // none exists: nothing
  Do({"action_create_object", {"77", "0", "0"}}, self);
  EXPECT_EQ(Trace(), (Log{"1,2 speed 0@100002/100002", "11,22 speed 0@100003/100003",
                          "0,0 speed 3@100004/100004", "5,5 speed 0@100005/100005"}));
  EXPECT_EQ(Errors(), (Log{"Creating instance for non-existing object: 77"}));
  EXPECT_EQ(room.r_numb(), 5);

  Trace().clear();
  Do({"action_kill_position", {"10", "20"}, true}, room.Instance(1));  // (11, 22): the second one
  Do({"action_kill_object", {}}, room.Instance(1));
  EXPECT_EQ(Trace(), (Log{"b destroyed@100003/100003", "b destroyed@100002/100002"}));
  EXPECT_TRUE(room.Instance(1)->i_marked && room.Instance(2)->i_marked);

  Trace().clear();
  Do({"action_change_object", {B, "0.5"}}, self);  // 0.5 rounds to 0: no events
  EXPECT_TRUE(Trace().empty());
  EXPECT_TRUE(self->i_marked);
}

TEST_F(Actions, Sprites) {
  const int32_t s = Square(4);
  const std::string S = std::to_string(s);
  RunEffects({
      {{"action_set_sprite", {S, "2"}},
       "",
       "sprite_index * 100 + image_xscale * 10 + image_yscale",
       s * 100.0 + 22},
      {{"action_set_sprite", {S, "0"}}, "image_xscale = 3", "image_xscale", 3},
      {{"action_sprite_set", {S, "-1", "0.5"}}, "image_index = 2", "image_index * 10 + image_speed", 0.5},
      {{"action_sprite_set", {S, "1", "0.5"}}, "image_index = 2", "image_index * 10 + image_speed", 10.5},
      {{"action_sprite_transform", {"2", "3", "45", "0"}}, "", "image_xscale * 10 + image_yscale", 23},
      {{"action_sprite_transform", {"2", "3", "45", "1"}}, "", "image_xscale * 10 + image_yscale", -17},
      {{"action_sprite_transform", {"2", "3", "45", "2"}}, "", "image_xscale * 10 + image_yscale", 17},
      {{"action_sprite_transform", {"2", "3", "45", "3"}},
       "",
       "image_angle + image_xscale * 10 + image_yscale",
       22},
      {{"action_sprite_color", {"c_red", "0.5"}}, "", "image_blend + image_alpha", 255.5},
  });
  Do({"action_set_sprite", {"99", "1"}}, room.Instance(0));
  EXPECT_EQ(Errors(), (Log{"Setting instance to non-existing sprite: 99"}));
}

TEST_F(Actions, RoomsAlarmsAndGameFlow) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  self->SetAlarm(0, -1);
  Do({"action_set_alarm", {"5", "0"}, true}, self);  // an alarm that is off is set
  EXPECT_EQ(self->GetAlarm(0), 5);
  Do({"action_set_alarm", {"5", "0"}, true}, self);
  EXPECT_EQ(self->GetAlarm(0), 10);
  Do({"action_set_alarm", {"2.6", "3"}}, self);
  EXPECT_EQ(self->GetAlarm(3), 3);
  Do({"action_set_alarm", {"2147483647", "0"}, true}, self);  // saturates
  EXPECT_EQ(self->GetAlarm(0), 2147483647);

  Do({"action_end_game", {}}, self);
  EXPECT_EQ(PendingRoomChange(), kRoomEndGame);
  Do({"action_restart_game", {}}, self);
  EXPECT_EQ(PendingRoomChange(), kRoomRestartGame);
  SetPendingRoomChange(kNoRoomChange);
  Do({"action_another_room", {"42", "0"}}, self);  // no such room: an error that ends the game
  EXPECT_EQ(PendingRoomChange(), kRoomErrorEnd);
  EXPECT_EQ(Errors(), (Log{"Unexisting room number: 42"}));

  // No room order: neither a previous nor a next room.
  EXPECT_FALSE(Ask({"action_if_previous_room", {}}, self));
  EXPECT_TRUE(Ask({"action_if_next_room", {}, false, -1, true}, self));
}

TEST_F(Actions, TimeLineOfTheInstance) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  Do({"action_set_timeline", {"3", "2.6"}}, self);
  EXPECT_EQ(self->i_timelineindex, 3);
  EXPECT_EQ(self->i_timelineposition, 3);
  EXPECT_TRUE(self->i_timelinerunning);
  Do({"action_set_timeline_position", {"4.4"}, true}, self);
  EXPECT_EQ(self->i_timelineposition, 7);
  Do({"action_set_timeline_position", {"1"}}, self);
  EXPECT_EQ(self->i_timelineposition, 1);
  Do({"action_set_timeline_speed", {"0.5"}, true}, self);
  EXPECT_EQ(self->i_timelinespeed, 1.5);
  Do({"action_set_timeline_speed", {"2"}}, self);
  EXPECT_EQ(self->i_timelinespeed, 2);
}

TEST_F(Actions, ReplacingResourcesChecksTheResourceThenTheFile) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  Square(4);
  Do({"action_replace_sprite", {"5", "'x.png'", "1"}}, self);
  Do({"action_replace_sprite", {"0", "'no such file.png'", "1"}}, self);
  Do({"action_replace_background", {"0", "'x.png'"}}, self);
  Do({"action_replace_sound", {"0", "'x.wav'"}}, self);
  EXPECT_EQ(Errors(),
            (Log{"Trying to replace non-existing resource.", "File does not exist.",
                 "Trying to replace non-existing resource.", "Trying to replace non-existing resource."}));
}

TEST_F(Actions, WebPagesCursorAndScripts) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  SetSecureMode(true);
  Do({"action_webpage", {"'http://example.com'"}}, self);
  SetSecureMode(false);
  EXPECT_EQ(Errors(), (Log{"In secure mode you cannot open webpages."}));
  Errors().clear();

  Do({"action_set_cursor", {"2", "0"}}, self);
  EXPECT_EQ(GameState().cursor_sprite, 2);
  EXPECT_FALSE(Options().opt_showcursor);
  Do({"action_set_cursor", {"-1", "1"}}, self);
  EXPECT_TRUE(Options().opt_showcursor);

  // Five arguments and no count check; the script's result comes back to code.
  auto script = std::make_unique<CScript>();
  script->s_text = "return argument0 + argument4 * 10 + argument_count * 100;";
  ASSERT_TRUE(script->Compile());
  Scripts().Put(0, std::move(script), "scr_sum");
  EXPECT_EQ(Real(self, "action_execute_script(0, 1, 2, 3, 4, 5)"), 551);
  EXPECT_EQ(Errors(), Log{});
  // An error in the script is shown once the call returns.
  auto failing = std::make_unique<CScript>();
  failing->s_text = "return argument0 + 'text';";
  ASSERT_TRUE(failing->Compile());
  Scripts().Put(1, std::move(failing), "scr_fails");
  Do({"action_execute_script", {"1", "1", "0", "0", "0", "0"}}, self);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_NE(Errors()[0].find("scr_fails"), std::string::npos) << Errors()[0];
}

TEST_F(Actions, SoundsThatDoNotExist) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  Do({"action_sound", {"3", "0"}}, self);
  Do({"action_end_sound", {"3"}}, self);
  EXPECT_FALSE(Ask({"action_if_sound", {"3"}}, self));
  EXPECT_EQ(Errors(), (Log{"Trying to play non-existing sound.", "Trying to stop non-existing sound."}));
}

TEST_F(Actions, Questions) {
  const int32_t box = Square(8);
  const int32_t wall = AddObjectWith(box, true);
  const int32_t ghost = AddObjectWith(box);
  const int32_t mover = AddObjectWith(box);
  room.AddInstance(40, 0, wall);
  room.AddInstance(0, 40, ghost);
  CInstance* self = room.AddInstance(0, 0, mover);
  self->i_x = 0;
  const std::string W = std::to_string(wall), G = std::to_string(ghost);
  struct Case {
    RActionDesc question;
    bool want;
  };
  const Case cases[] = {
      {{"action_if_empty", {"36", "0", "0"}}, false},
      {{"action_if_empty", {"0", "36", "0"}}, true},  // the ghost is not solid
      {{"action_if_empty", {"0", "36", "1"}}, false},
      {{"action_if_empty", {"36", "0", "0"}, false, -1, true}, true},
      {{"action_if_collision", {"36", "0", "0"}}, true},
      {{"action_if_collision", {"0", "36", "0"}}, false},
      {{"action_if_collision", {"20", "0", "0"}, true}, false},
      {{"action_if_collision", {"36", "0", "0"}, true}, true},
      {{"action_if_object", {W, "36", "0"}}, true},
      {{"action_if_object", {G, "36", "0"}}, false},
      {{"action_if_object", {G, "0", "36"}}, true},
      {{"action_if_number", {W, "1", "0"}}, true},
      {{"action_if_number", {W, "2", "1"}}, true},
      {{"action_if_number", {W, "1", "2"}}, false},
      {{"action_if_number", {W, "0", "2"}}, true},
      {{"action_if", {"0.5"}}, true},
      {{"action_if", {"0.49"}}, false},
      {{"action_if", {"0.5"}, false, -1, true}, false},
      {{"action_if", {"0.49"}, false, -1, true}, true},
      {{"action_if", {"'yes'"}}, false},
      {{"action_if_dice", {"1"}}, true},
      {{"action_if_dice", {"0"}}, true},
      {{"action_if_aligned", {"8", "8"}}, true},
      {{"action_if_aligned", {"0", "3"}}, true},
      {{"action_if_mouse", {"0"}}, true},
      {{"action_if_mouse", {"1"}}, false},
      {{"action_if_variable", {"'abc'", "'abd'", "1"}}, true},
      {{"action_if_variable", {"'abc'", "'abd'", "2"}}, false},
      {{"action_if_variable", {"'abc'", "'abc'", "0"}}, true},
      {{"action_if_variable", {"3", "2", "2"}}, true},
      {{"action_if_variable", {"3", "2", "0"}}, false},
      {{"action_if_variable", {"3", "2", "0"}, false, -1, true}, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Ask(c.question, self), c.want)
        << c.question.name << "(" << c.question.args[0] << ")" << (c.question.isnot ? " not" : "");
  EXPECT_TRUE(Errors().empty());

  // Unlike kinds cannot be compared: the message, and false even with not.
  EXPECT_FALSE(Ask({"action_if_variable", {"'1'", "1", "0"}}, self));
  EXPECT_EQ(Errors(), (Log{"Cannot compare arguments."}));
}

TEST_F(Actions, DiceOfTwoSidesIsTrueForJustOverHalfOfTheDraws) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  int32_t yes = 0;
  for (int32_t i = 0; i < 4000; ++i) yes += Ask({"action_if_dice", {"2"}}, self);
  EXPECT_GT(yes, 1800);
  EXPECT_LT(yes, 2200);
}

// Apply-to: a question for other, or for every instance of an object, answers per instance.
TEST_F(Actions, QuestionsApplyToOtherAndToAnObject) {
  const int32_t obj = AddObject();
  CInstance* self = room.AddInstance(0, 0, obj);
  CInstance* near = room.AddInstance(8, 0, obj);
  CInstance* far = room.AddInstance(300, 0, obj);
  struct Case {
    RActionDesc question;
    CInstance* other;
    Log want;
  };
  const Case cases[] = {
      // x < 100 for the instance that answers.
      {{"action_if_variable", {"x", "100", "1"}, false, -2}, near, {"yes@100001/100002"}},
      {{"action_if_variable", {"x", "100", "1"}, false, -2}, far, {"no@100001/100003"}},
      {{"action_if_variable", {"x", "100", "1"}, false, -2, true}, far, {"yes@100001/100003"}},
      // For an object the answer is true only when every instance says yes.
      {{"action_if_variable", {"x", "1000", "1"}, false, obj}, near, {"yes@100001/100002"}},
      {{"action_if_variable", {"x", "100", "1"}, false, obj}, near, {"no@100001/100002"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Walk(c.question, self, c.other), c.want)
        << c.question.name << " for " << c.question.who << (c.question.isnot ? " not" : "");
}

// Set actions applied to other and to every instance of an object, relative to each one.
TEST_F(Actions, ApplyToOtherAndToAnObject) {
  const int32_t a = AddObject();
  const int32_t b = AddObject();
  CInstance* self = room.AddInstance(0, 0, a);
  CInstance* b1 = room.AddInstance(10, 0, b);
  CInstance* b2 = room.AddInstance(20, 0, b);
  CEvent event;
  event.e_actions.push_back(Act({"action_move_to", {"1", "0"}, true, b}));
  event.e_actions.push_back(Act({"action_set_hspeed", {"3"}, false, -2}));
  RunActionList(event, self, b2);
  EXPECT_EQ(b1->i_x, 11);
  EXPECT_EQ(b2->i_x, 21);
  EXPECT_EQ(self->i_x, 0);
  EXPECT_EQ(b2->i_hspeed, 3);
  EXPECT_EQ(b1->i_hspeed, 0);
}

TEST_F(Actions, ScoreLivesAndHealth) {
  const int32_t obj = AddObject();
  Code(obj, ev_other, 6, "t_log(\"no more lives\")");
  Code(obj, ev_other, 9, "t_log(\"no more health\")");
  CInstance* self = room.AddInstance(0, 0, obj);
  struct Case {
    RActionDesc action;
    std::string check;
    double want;
    Log events;
  };
  const Case cases[] = {
      {{"action_set_score", {"10.4"}}, "score", 10, {}},
      {{"action_set_score", {"5"}, true}, "score", 15, {}},
      {{"action_set_score", {"-20"}, true}, "score", -5, {}},
      {{"action_set_life", {"1"}}, "lives", 1, {}},
      {{"action_set_life", {"-1"}, true}, "lives", 0, {"no more lives@100001/100001"}},
      {{"action_set_life", {"-1"}, true}, "lives", -1, {}},
      {{"action_set_life", {"2.6"}}, "lives", 3, {}},
      {{"action_set_health", {"50"}}, "health", 50, {}},
      {{"action_set_health", {"-20.5"}, true}, "health", 29.5, {}},
      {{"action_set_health", {"-30"}, true}, "health", -0.5, {"no more health@100001/100001"}},
      {{"action_set_health", {"-1"}, true}, "health", -1.5, {}},
  };
  for (const Case& c : cases) {
    Trace().clear();
    Do(c.action, self);
    EXPECT_EQ(Real(self, c.check), c.want) << c.action.name << " " << c.action.args[0];
    EXPECT_EQ(Trace(), c.events) << c.action.name << " " << c.action.args[0];
  }

  Run(self, "score = 15; lives = 3; health = 40");
  const struct {
    RActionDesc question;
    bool want;
  } questions[] = {
      {{"action_if_score", {"15", "0"}}, true},    {{"action_if_score", {"20", "1"}}, true},
      {{"action_if_score", {"20", "2"}}, false},   {{"action_if_score", {"15", "0"}, false, -1, true}, false},
      {{"action_if_life", {"3", "0"}}, true},      {{"action_if_life", {"2", "2"}}, true},
      {{"action_if_health", {"40.5", "1"}}, true}, {{"action_if_health", {"40", "2"}}, false},
  };
  for (const auto& q : questions)
    EXPECT_EQ(Ask(q.question, self), q.want) << q.question.name << " " << q.question.args[0];
}

TEST_F(Actions, CaptionFlags) {
  CInstance* self = room.AddInstance(0, 0, AddObject());
  RGameState& g = GameState();
  EXPECT_FALSE(g.score_chosen);
  Do({"action_set_caption", {"0", "'Points: '", "1", "'Ships: '", "1.4", "'Shield: '"}}, self);
  EXPECT_FALSE(g.show_score);
  EXPECT_TRUE(g.show_lives);
  EXPECT_TRUE(g.show_health);
  EXPECT_EQ(g.caption_score, "Points: ");
  EXPECT_EQ(g.caption_lives, "Ships: ");
  EXPECT_EQ(g.caption_health, "Shield: ");
  EXPECT_TRUE(g.score_chosen);
  Do({"action_set_caption", {"1", "''", "2", "''", "0", "''"}}, self);
  EXPECT_TRUE(g.show_score);
  EXPECT_FALSE(g.show_lives);
  EXPECT_FALSE(g.show_health);
}

TEST_F(Actions, CodeScriptsAndInheritance) {
  const int32_t parent = AddObject();
  const int32_t child = AddObject(parent);
  Code(parent, ev_other, 10, "t_log(\"parent user0\")");
  Event(child, ev_other, 10).e_actions.push_back(Act({"action_inherited", {}}));
  CInstance* self = room.AddInstance(0, 0, child);
  PerformEvent(self, self, ev_other, 10);
  EXPECT_EQ(Trace(), (Log{"parent user0@100001/100001"}));

  // A missing script is no call at all; the result stays 0.
  Do({"action_execute_script", {"7", "1", "2", "3", "4", "5"}}, self);
  EXPECT_TRUE(Errors().empty());
}

// Every action of the library is registered, by the family it belongs to, with its argument count.
TEST(ActionList, EveryActionIsRegisteredWithItsArgumentCount) {
  // Some actions belong to families of the layers above the functions (the dialogs).
  InitFunctions(RunnerFunctionFamilies());
  EXPECT_EQ(ActionNames().size(), 135u);
  for (const RActionName& a : ActionNames()) {
    int32_t id = -1;
    ASSERT_TRUE(FindBuiltinFunction(a.name, id)) << a.name << " (" << a.family << ") is not registered";
    EXPECT_EQ(FunctionAt(id)->f_argnumb, a.argnumb) << a.name;
  }
}

}  // namespace
