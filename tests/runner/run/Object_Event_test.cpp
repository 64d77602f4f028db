// Event lookup through parent chains (with cycles), empty slots, collision events with
// ancestors of the other object, the event object lists, the collision pairs and event names.
#include "runner/run/Event_Name.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

class Lookup : public WorldTest {};

TEST_F(Lookup, OwnEventBeatsInheritedAndOwnerIsWhereFound) {
  const int32_t grand = AddObject();
  const int32_t parent = AddObject(grand);
  const int32_t child = AddObject(parent);
  Tag(grand, ev_step, 0, "grand");
  Tag(parent, ev_alarm, 3, "parent");
  Tag(child, ev_alarm, 3, "child");

  struct Case {
    int32_t type, number;
    int32_t owner;  // -1: none
  };
  for (const Case& c : {Case{ev_step, 0, grand}, Case{ev_alarm, 3, child}, Case{ev_alarm, 2, -1}, Case{ev_draw, 0, -1},
                        Case{-1, 0, -1}, Case{12, 0, -1}, Case{ev_step, -1, -1}}) {
    REventRef r = Objects().Get(child)->GetEventRecursive(c.type, c.number);
    EXPECT_EQ(r ? r.owner : -1, c.owner) << c.type << "/" << c.number;
  }
  EXPECT_EQ(Objects().Get(parent)->GetEventRecursive(ev_alarm, 3).owner, parent);
  EXPECT_TRUE(Objects().Get(child)->HasEventRecursive(ev_step));
  EXPECT_FALSE(Objects().Get(child)->HasEventDirect(ev_step));
  EXPECT_TRUE(Objects().Get(child)->IsDecendentOf(grand));
  EXPECT_FALSE(Objects().Get(child)->IsDecendentOf(child));
  EXPECT_FALSE(Objects().Get(grand)->IsDecendentOf(child));
}

TEST_F(Lookup, EmptySlotsCountAsAbsent) {
  const int32_t parent = AddObject();
  const int32_t child = AddObject(parent);
  Tag(parent, ev_alarm, 1, "parent");
  Objects().Get(child)->CreateEvent(ev_alarm, 1);  // created empty: does not hide the parent's
  Tag(child, ev_alarm, 5, "child");
  CObject& c = *Objects().Get(child);
  EXPECT_EQ(c.GetEventDirect(ev_alarm, 1), nullptr);
  EXPECT_EQ(c.GetEventRecursive(ev_alarm, 1).owner, parent);
  EXPECT_EQ(c.GetEventDirect(ev_alarm, 4), nullptr);
  EXPECT_NE(c.GetEventDirect(ev_alarm, 5), nullptr);
  Objects().Get(parent)->CreateEvent(ev_draw, 0);
  EXPECT_FALSE(Objects().Get(parent)->HasEventDirect(ev_draw));
  EXPECT_EQ(c.CreateEvent(ev_alarm, 5), c.GetEventDirect(ev_alarm, 5));
  EXPECT_EQ(c.CreateEvent(-1, 0), nullptr);
  EXPECT_EQ(c.CreateEvent(12, 0), nullptr);
  EXPECT_EQ(c.CreateEvent(ev_alarm, -1), nullptr);
}

TEST_F(Lookup, ParentCyclesEndEveryWalk) {
  const int32_t a = AddObject();
  const int32_t b = AddObject(a);
  Objects().Get(a)->o_parent = b;  // a -> b -> a
  const int32_t self = AddObject();
  Objects().Get(self)->o_parent = self;
  Tag(b, ev_step, 0, "b");
  EXPECT_EQ(Objects().Get(a)->GetEventRecursive(ev_step, 0).owner, b);
  EXPECT_FALSE(Objects().Get(a)->GetEventRecursive(ev_draw, 0));
  EXPECT_FALSE(Objects().Get(self)->HasEventRecursive(ev_draw));
  EXPECT_FALSE(Objects().Get(self)->IsDecendentOf(a));
  EXPECT_TRUE(Objects().Get(a)->IsDecendentOf(b));
  EXPECT_FALSE(Objects().Get(a)->GetEventRecursive(ev_collision, b));  // walks b's ancestors too
  room.AddInstance(0, 0, a);
  EXPECT_EQ(room.Obj_Number_Recursive(a), 1);
  EXPECT_EQ(room.Obj_Number_Recursive(b), 1);
  BuildEventLists();
  EXPECT_EQ(EventObjectList(ev_step, 0).size(), 2u);
}

TEST_F(Lookup, CollisionWithAnAncestorOfTheOtherObject) {
  const int32_t wall = AddObject();
  const int32_t brick = AddObject(wall);
  const int32_t redBrick = AddObject(brick);
  const int32_t ball = AddObject();
  const int32_t bigBall = AddObject(ball);
  Tag(ball, ev_collision, wall, "ball-wall");
  Tag(bigBall, ev_collision, brick, "big-brick");
  Tag(ball, ev_collision, redBrick, "ball-red");

  struct Case {
    int32_t object, other, owner, number;  // number: the event's own number
  };
  for (const Case& c : {Case{ball, wall, ball, wall}, Case{ball, brick, ball, wall}, Case{ball, redBrick, ball, redBrick},
                        // the exact object through the object's parents comes before ancestors of the other
                        Case{bigBall, redBrick, ball, redBrick}, Case{bigBall, brick, bigBall, brick},
                        Case{bigBall, wall, ball, wall}, Case{wall, ball, -1, -1}, Case{ball, ball, -1, -1},
                        Case{ball, 99, -1, -1}}) {
    REventRef r = Objects().Get(c.object)->GetEventRecursive(ev_collision, c.other);
    EXPECT_EQ(r ? r.owner : -1, c.owner) << c.object << " with " << c.other;
    if (r) {
      EXPECT_EQ(r.event, Objects().Get(c.owner)->GetEventDirect(ev_collision, c.number));
    }
  }
}

TEST_F(Lookup, EventListsHoldReactingObjectsInIndexOrderWithTheirEvents) {
  const int32_t parent = AddObject();
  const int32_t plain = AddObject();
  const int32_t child = AddObject(parent);
  const int32_t other = AddObject();
  ObjectDelete(plain);
  Tag(parent, ev_step, 1, "p");
  Tag(other, ev_step, 1, "o");
  Tag(other, ev_keyboard, 128, "k128");
  Tag(other, ev_keyboard, 129, "k129");
  Tag(other, ev_alarm, 12, "a12");
  Tag(child, ev_collision, other, "c");
  SetEventListTriggerCount(2);
  Tag(other, ev_trigger, 1, "t1");
  Tag(other, ev_trigger, 2, "t2");
  BuildEventLists();

  auto objects = [](int32_t t, int32_t n) {
    std::vector<int32_t> v;
    for (const REventTarget& e : EventObjectList(t, n)) v.push_back(e.object);
    return v;
  };
  EXPECT_EQ(objects(ev_step, 1), (std::vector<int32_t>{parent, child, other}));
  EXPECT_EQ(EventObjectList(ev_step, 1)[1].found.owner, parent);
  EXPECT_EQ(objects(ev_keyboard, 128), std::vector<int32_t>{other});
  EXPECT_TRUE(objects(ev_keyboard, 129).empty());  // beyond the table: never fires
  EXPECT_EQ(objects(ev_alarm, 12), std::vector<int32_t>{other});
  EXPECT_EQ(objects(ev_trigger, 1), std::vector<int32_t>{other});
  EXPECT_TRUE(objects(ev_trigger, 2).empty());
  EXPECT_TRUE(objects(ev_collision, other).empty());
  EXPECT_TRUE(objects(-1, 0).empty());

  ASSERT_EQ(CollisionPairs().size(), 1u);
  EXPECT_EQ(CollisionPairs()[0].a, child);
  EXPECT_EQ(CollisionPairs()[0].b, other);
  SetEventListTriggerCount(0);
}

TEST_F(Lookup, CollisionPairsVisitEachPairOnceInOrder) {
  const int32_t a = AddObject();
  const int32_t b = AddObject();
  const int32_t c = AddObject(b);
  Tag(a, ev_collision, a, "self");
  Tag(c, ev_collision, a, "c-a");
  Tag(a, ev_collision, b, "a-b");  // and so with c, through c's parent
  BuildEventLists();
  std::vector<std::pair<int32_t, int32_t>> pairs;
  for (const RCollisionPair& p : CollisionPairs()) pairs.emplace_back(p.a, p.b);
  EXPECT_EQ(pairs, (std::vector<std::pair<int32_t, int32_t>>{{a, a}, {a, b}, {a, c}}));
  const RCollisionPair& ac = CollisionPairs()[2];
  EXPECT_EQ(ac.ab.event, Objects().Get(a)->GetEventDirect(ev_collision, b));  // through c's parent
  EXPECT_EQ(ac.ba.event, Objects().Get(c)->GetEventDirect(ev_collision, a));
  EXPECT_EQ(ac.ba.owner, c);
  EXPECT_FALSE(CollisionPairs()[1].ba);  // b has no event with a
}

TEST(EventNames, Table) {
  const int32_t wall = ObjectAdd();
  struct Case {
    int32_t type, number;
    const char* name;
  };
  for (const Case& c : {
           Case{0, 0, "Create Event"},
           Case{1, 0, "Destroy Event"},
           Case{2, 11, "Alarm Event for alarm 11"},
           Case{3, 0, " Step Event"},
           Case{3, 1, "Begin Step Event"},
           Case{3, 2, "End Step Event"},
           Case{3, 7, "<unknown> Step Event"},
           Case{4, wall, "Collision Event with object __newobject0"},
           Case{4, 5, "Collision Event with object <undefined>"},
           Case{5, 37, "Keyboard Event for <Left> Key"},
           Case{5, 65, "Keyboard Event for A-key Key"},
           Case{9, 48, "Key Press Event for 0-key Key"},
           Case{10, 99, "Key Release Event for Keypad 3 Key"},
           Case{10, 123, "Key Release Event for F12 Key"},
           Case{5, 200, "Keyboard Event for <unknown> Key"},
           Case{6, 0, "Mouse Event for Left Button"},
           Case{6, 12, "Mouse Event for <unknown>"},
           Case{6, 19, "Mouse Event for Joystick 1 Down"},
           Case{6, 21, "Mouse Event for Joystick 1 Button 1"},
           Case{6, 43, "Mouse Event for Joystick 2 Button 8"},
           Case{6, 35, "Mouse Event for <unknown>"},
           Case{6, 58, "Mouse Event for Glob Middle Released"},
           Case{6, 61, "Mouse Event for Mouse Wheel Down"},
           Case{7, 0, "Other Event: Outside Room"},
           Case{7, 25, "Other Event: User Defined 15"},
           Case{7, 30, "Other Event: Close Button"},
           Case{7, 47, "Other Event: Outside View 7"},
           Case{7, 50, "Other Event: Boundary View 0"},
           Case{7, 26, "Other Event: <unknown>"},
           Case{8, 0, "Draw Event"},
           Case{11, 0, "Trigger Event: <Deleted>"},
           Case{12, 0, "<Unknown Event>"},
           Case{-1, 0, "<Unknown Event>"},
       })
    EXPECT_EQ(EventName(c.type, c.number), c.name) << c.type << "/" << c.number;
}

}  // namespace

namespace {

TEST_F(Lookup, DeletingAnObjectKeepsItsInstancesSafeAndTheListsCurrent) {
  const int32_t a = AddObject();
  const int32_t b = AddObject();
  Tag(a, ev_step, 0, "a");
  Tag(b, ev_step, 0, "b");
  CInstance* inst = room.AddInstance(0, 0, a);
  BuildEventLists();
  ASSERT_EQ(EventObjectList(ev_step, 0).size(), 2u);
  EXPECT_TRUE(ObjectDelete(a));
  EXPECT_FALSE(ObjectDelete(a));
  EXPECT_FALSE(Objects().Exists(a));
  EXPECT_EQ(Objects().Name(a), "<undefined>");
  EXPECT_EQ(Objects().Find("__newobject0"), -1);
  ASSERT_EQ(EventObjectList(ev_step, 0).size(), 1u);
  EXPECT_EQ(EventObjectList(ev_step, 0)[0].object, b);
  EXPECT_FALSE(inst->i_object->HasEventDirect(ev_step));  // a cleared object, still there
  PerformEvent(inst, inst, ev_step, 0);
  EXPECT_TRUE(Trace().empty());
  EXPECT_EQ(ObjectAdd(), 2);  // indices are never reused
}

}  // namespace

namespace {

TEST(EventNames, ActionErrorsNameTheirPlace) {
  ObjectAdd();
  CurrentEvent() = {0, ev_alarm, 2, 4};
  EXPECT_EQ(ComposeActionError("Unknown variable x", false),
            "ERROR in\r\naction number 5\r\nof Alarm Event for alarm 2\r\nfor object __newobject0:\r\n\r\nUnknown variable x");
  CurrentEvent() = {3, ev_step, 0, 0};
  EXPECT_EQ(ComposeActionError("m", true),
            "FATAL ERROR in\r\naction number 1\r\nof  Step Event\r\nfor object <undefined>:\r\n\r\nm");
  CurrentEvent() = {2, kTimeLineEventType, 60, 1};
  EXPECT_EQ(ComposeActionError("m", false), "ERROR in\r\naction number 2\r\nat time step 60\r\nof time line <undefined>:\r\n\r\nm");
  CurrentEvent() = {};
}

}  // namespace

#include <random>

namespace {

// The lists, worked out once per object, agree with looking each object up through its chain,
// on tangled parents: cycles, self-parents, missing and deleted parents.
TEST_F(Lookup, EventListsAgreeWithLookupsOnTangledParents) {
  std::mt19937 gen(7);
  const int32_t count = 60;
  for (int32_t i = 0; i < count; ++i) AddObject();
  for (int32_t i = 0; i < count; ++i) {
    Objects().Get(i)->o_parent = static_cast<int32_t>(gen() % (count + 10)) - 5;  // some invalid
    for (int k = 0; k < 3; ++k) {
      const int32_t t = static_cast<int32_t>(gen() % kEventTypeCount);
      const int32_t n = t == ev_collision ? static_cast<int32_t>(gen() % count) : static_cast<int32_t>(gen() % 14);
      if (gen() % 5 == 0)
        Objects().Get(i)->CreateEvent(t, n);  // empty
      else
        Tag(i, t, n, "e");
    }
  }
  ObjectDelete(13);
  ObjectDelete(29);
  SetEventListTriggerCount(14);
  BuildEventLists();
  for (int32_t t = 0; t < kEventTypeCount; ++t) {
    for (int32_t n = 0; n < EventListRange(t); ++n) {
      std::vector<std::pair<int32_t, CEvent*>> expected, got;
      for (int32_t o = 0; o < count; ++o)
        if (const CObject* obj = Objects().Get(o))
          if (REventRef r = obj->GetEventRecursive(t, n)) expected.emplace_back(o, r.event);
      for (const REventTarget& e : EventObjectList(t, n)) got.emplace_back(e.object, e.found.event);
      EXPECT_EQ(got, expected) << t << ":" << n;
    }
  }
  std::vector<std::pair<int32_t, int32_t>> pairs, expectedPairs;
  for (int32_t a = 0; a < count; ++a)
    for (int32_t b = a; b < count; ++b)
      if (Objects().Get(a) && Objects().Get(b) &&
          (Objects().Get(a)->GetEventRecursive(ev_collision, b) || Objects().Get(b)->GetEventRecursive(ev_collision, a)))
        expectedPairs.emplace_back(a, b);
  for (const RCollisionPair& p : CollisionPairs()) pairs.emplace_back(p.a, p.b);
  EXPECT_EQ(pairs, expectedPairs);
  EXPECT_FALSE(expectedPairs.empty());
  SetEventListTriggerCount(0);
}

TEST_F(Lookup, LongParentChainsBuildInOnePass) {
  const int32_t count = 20000;
  for (int32_t i = 0; i < count; ++i) AddObject(i - 1);  // each the child of the one before
  Tag(0, ev_step, 0, "root");
  BuildEventLists();
  EXPECT_EQ(EventObjectList(ev_step, 0).size(), static_cast<size_t>(count));
  EXPECT_EQ(EventObjectList(ev_step, 0).back().found.owner, 0);
}

}  // namespace
