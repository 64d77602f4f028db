// The objects chunk on damaged and hostile data: wrong versions, counts beyond the data, huge
// event numbers and types beyond the table; nothing may allocate by a count or read out of range.
#include "runner/base/Support_Stream.h"
#include "tests/runner/run/World.h"

using namespace world;

namespace {

// An object record with the given events: (type, number, action count written, actions present).
struct EventRecord {
  int32_t type, number, count, present;
  int32_t version = 400;
};

CStream Chunk(const std::vector<std::vector<EventRecord>>& objects, int32_t objectVersion = 430, int32_t last = 11,
              int32_t chunkVersion = 800) {
  CStream c;
  c.WriteInteger(chunkVersion);
  c.WriteInteger(static_cast<int32_t>(objects.size()));
  for (const auto& events : objects) {
    CStream e;
    e.WriteBoolean(true);
    e.WriteString("obj");
    e.WriteInteger(objectVersion);
    for (int32_t v : {-1, 0, 1, 0, 0, -1, -1}) e.WriteInteger(v);
    e.WriteInteger(last);
    for (int32_t t = 0; t <= last && t <= 13; ++t) {  // a huge last type runs into the end
      for (const EventRecord& s : events) {
        if (s.type != t) continue;
        e.WriteInteger(s.number);
        e.WriteInteger(s.version);
        e.WriteInteger(s.count);
        for (int32_t a = 0; a < s.present; ++a) {
          e.WriteInteger(440);
          for (int32_t k = 0; k < 5; ++k) e.WriteInteger(0);  // libid, id, kind, 3 flags
          e.WriteInteger(0);                                   // exe type
          e.WriteString("");
          e.WriteString("");
          for (int32_t k = 0; k < 3; ++k) e.WriteInteger(0);  // arg count, types count, who
          e.WriteInteger(-1);
          e.WriteInteger(0);  // relative
          e.WriteInteger(0);  // texts
          e.WriteInteger(0);  // not
        }
      }
      e.WriteInteger(-1);
    }
    c.WriteStreamC(e);
  }
  c.SetPosition(0);
  return c;
}

class ObjectsChunk : public WorldTest {};

TEST_F(ObjectsChunk, ReadsEventsIntoTheirSlots) {
  CStream c = Chunk({{{ev_alarm, 3, 1, 1}, {ev_step, 2, 2, 2}, {ev_trigger, 0, 1, 1}}, {}});
  ASSERT_TRUE(LoadObjects(c));
  EXPECT_EQ(c.GetPosition(), c.GetSize());
  ASSERT_EQ(Objects().Count(), 2);
  const CObject& o = *Objects().Get(0);
  EXPECT_EQ(o.o_parent, -1);
  EXPECT_TRUE(o.o_visible);
  EXPECT_EQ(o.GetEventDirect(ev_step, 2)->e_number(), 2);
  EXPECT_NE(o.GetEventDirect(ev_alarm, 3), nullptr);
  EXPECT_NE(o.GetEventDirect(ev_trigger, 0), nullptr);
  EXPECT_EQ(o.GetEventDirect(ev_alarm, 2), nullptr);
}

TEST_F(ObjectsChunk, VersionsAndDamage) {
  struct Case {
    const char* what;
    CStream chunk;
    int outcome;  // 1 loads, 0 fails, -1 throws
  };
  Case cases[] = {
      {"chunk version", Chunk({{}}, 430, 11, 801), 0},
      {"object version", Chunk({{}}, 431), 0},
      {"no events at all", Chunk({{}}, 430, -1), 1},
      {"action count beyond the data", Chunk({{{ev_step, 0, 1000000000, 0}}}), -1},
      {"negative action count", Chunk({{{ev_step, 0, -5, 0}}}), -1},
      {"fewer actions than counted", Chunk({{{ev_step, 0, 3, 2}}}), -1},
      {"huge event number", Chunk({{{ev_other, 2147483647, 1, 1}}}), 1},
      {"last type beyond the table", Chunk({{{13, 5, 1, 1}}}, 430, 13), 1},
      {"last type huge", Chunk({{}}, 430, 2147483647), -1},
  };
  for (Case& c : cases) {
    int outcome;
    try {
      outcome = LoadObjects(c.chunk) ? 1 : 0;
    } catch (const StreamError&) {
      outcome = -1;
    }
    EXPECT_EQ(outcome, c.outcome) << c.what;
  }
  // The huge number lives in its own slot; nothing below it was made.
  CStream huge = Chunk({{{ev_other, 2147483647, 1, 1}}});
  ASSERT_TRUE(LoadObjects(huge));
  EXPECT_EQ(Objects().Get(0)->o_events[ev_other].size(), 1u);
  EXPECT_NE(Objects().Get(0)->GetEventDirect(ev_other, 2147483647), nullptr);
}

TEST_F(ObjectsChunk, AWrongEventVersionLeavesTheEventEmpty) {
  EventRecord bad{ev_draw, 0, -1, 0};
  bad.version = 401;
  CStream c = Chunk({{bad}});
  // Nothing more of that event is read: the integer after its version (-1 here) is taken as
  // the end of the type, and the loading goes on from there.
  ASSERT_TRUE(LoadObjects(c));
  EXPECT_EQ(Objects().Get(0)->GetEventDirect(ev_draw, 0), nullptr);
}

TEST_F(ObjectsChunk, CountBeyondTheDataAllocatesNothing) {
  CStream c;
  c.WriteInteger(800);
  c.WriteInteger(1 << 30);
  c.SetPosition(0);
  EXPECT_THROW(LoadObjects(c), StreamError);
  EXPECT_EQ(Objects().Count(), 0);
}

}  // namespace
