// Payloads, frames and the message queue: what travels decodes to what was sent, every damaged
// or hostile frame is refused, and the queue keeps its 4000-record rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runner/multiplayer/DPlay_Low.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Encode(const RFrame& f) {
  Bytes out;
  EncodeFrame(f, out);
  return out;
}

RFrame DataFrame(uint32_t from, uint32_t to, const RValue& value) {
  RFrame f;
  f.kind = EFrameKind::Data;
  f.from = from;
  f.to = to;
  f.mess.messid = -7;
  f.mess.val = value;
  return f;
}

TMess Mess(uint32_t player, int32_t id) {
  TMess m;
  m.player = player;
  m.messid = id;
  m.val.SetReal(id);
  return m;
}
}  // namespace

TEST(MultiplayerWire, ValuesArriveAsSentAndLongStringsAreCut) {
  struct Row {
    RValue sent;
    size_t payload;
    RValue received;
  };
  const std::string longText(kMaxMessString + 1, 'x');
  const Row rows[] = {
      {RValue(2.5), kRealPayload, RValue(2.5)},
      {RValue(std::string_view("abc")), kStringPayloadHead + 3, RValue(std::string_view("abc"))},
      {RValue(std::string_view("")), kStringPayloadHead, RValue(std::string_view(""))},
      {RValue(std::string_view(longText)), kMaxPayload, RValue(std::string_view(longText).substr(0, kMaxMessString))},
  };
  for (const Row& row : rows) {
    const Bytes bytes = Encode(DataFrame(3, 0, row.sent));
    EXPECT_EQ(bytes.size(), kFrameHead + 8 + row.payload);
    EXPECT_LE(bytes.size(), kMaxFrame);
    RFrame got;
    ASSERT_EQ(DecodeFrame(bytes, got), EDecode::Ok);
    EXPECT_EQ(got.kind, EFrameKind::Data);
    EXPECT_EQ(got.mess.player, 3u);
    EXPECT_EQ(got.mess.messid, -7);
    EXPECT_TRUE(got.mess.ismessage);
    EXPECT_EQ(got.mess.val.IsString(), row.received.IsString());
    EXPECT_EQ(got.mess.val.str(), row.received.str());
    EXPECT_EQ(got.mess.val.val(), row.received.val());
  }
}

TEST(MultiplayerWire, EveryKindRoundTrips) {
  RFrame welcome;
  welcome.kind = EFrameKind::Welcome;
  welcome.id = 3;
  welcome.list = {{1, "host"}, {2, "ann"}};
  RFrame answer;
  answer.kind = EFrameKind::FindAnswer;
  answer.app[0] = 9;
  answer.instance[15] = 4;
  answer.port = 30210;
  answer.players = 2;
  answer.maxPlayers = 8;
  answer.name = "room";
  for (const RFrame& f : {welcome, answer}) {
    RFrame got;
    ASSERT_EQ(DecodeFrame(Encode(f), got), EDecode::Ok);
    EXPECT_EQ(Encode(got), Encode(f));
  }
}

TEST(MultiplayerWire, DamagedAndHostileFramesAreRefused) {
  const Bytes real = Encode(DataFrame(2, 0, RValue(1.0)));
  const Bytes text = Encode(DataFrame(2, 0, RValue(std::string_view("abcd"))));
  RFrame add;
  add.kind = EFrameKind::PlayerAdd;
  add.id = 5;
  add.name = "bob";
  const Bytes added = Encode(add);
  auto patched = [](Bytes b, size_t at, std::vector<uint8_t> with) {
    std::memcpy(b.data() + at, with.data(), with.size());
    return b;
  };
  auto cut = [](Bytes b, size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); };
  const size_t payload = kFrameHead + 8;  // where a data frame's payload starts
  struct Row {
    const char* what;
    Bytes bytes;
    EDecode want;
  };
  const Row rows[] = {
      {"empty", {}, EDecode::Foreign},
      {"shorter than the head", cut(real, 5), EDecode::Foreign},
      {"wrong magic", patched(real, 0, {'X'}), EDecode::Foreign},
      {"other version", patched(real, 4, {2}), EDecode::OtherVersion},
      {"unknown kind", patched(real, 5, {99}), EDecode::Bad},
      {"kind zero", patched(real, 5, {0}), EDecode::Bad},
      {"real cut short", cut(real, real.size() - 1), EDecode::Bad},
      {"real with a trailing byte", [&] { Bytes b = real; b.push_back(0); return b; }(), EDecode::Bad},
      {"ismessage not 0 or 1", patched(real, payload, {2}), EDecode::Bad},
      {"string flag not 0 or 1", patched(real, payload + 5, {7}), EDecode::Bad},
      {"string longer than it says", patched(text, payload + 6, {3, 0, 0, 0}), EDecode::Bad},
      {"string shorter than it says", patched(text, payload + 6, {5, 0, 0, 0}), EDecode::Bad},
      {"string length past the limit", patched(text, payload + 6, {0x01, 0x7D, 0, 0}), EDecode::Bad},
      {"string length huge", patched(text, payload + 6, {0xFF, 0xFF, 0xFF, 0xFF}), EDecode::Bad},
      {"data without payload", cut(real, payload), EDecode::Bad},
      {"name longer than it says", patched(added, kFrameHead + 4, {2, 0}), EDecode::Bad},
      {"name past the end", patched(added, kFrameHead + 4, {200, 0}), EDecode::Bad},
      {"name past the limit", [&] {
         RFrame f = add;
         f.name.assign(kMaxNameBytes, 'n');
         Bytes b = Encode(f);
         b.push_back('n');
         return patched(b, kFrameHead + 4, {0x01, 0x04});
       }(), EDecode::Bad},
      {"refuse for no reason", [] { RFrame f; f.kind = EFrameKind::Refuse; f.reason = ERefuse::Full; Bytes b = Encode(f); b.back() = 0; return b; }(), EDecode::Bad},
      {"welcome with too many players", [] {
         RFrame f;
         f.kind = EFrameKind::Welcome;
         Bytes b = Encode(f);
         b[kFrameHead + 4] = kMaxPlayers + 1;
         return b;
       }(), EDecode::Bad},
      {"welcome claiming more players than it holds", [] {
         RFrame f;
         f.kind = EFrameKind::Welcome;
         f.list = {{1, "a"}};
         Bytes b = Encode(f);
         b[kFrameHead + 4] = 2;
         return b;
       }(), EDecode::Bad},
      {"larger than any frame", [&] { Bytes b = real; b.resize(kMaxPacket + 1); return b; }(), EDecode::Bad},
  };
  for (const Row& row : rows) {
    RFrame got;
    EXPECT_EQ(DecodeFrame(row.bytes, got), row.want) << row.what;
  }
}

TEST(MultiplayerQueue, FullQueueDropsTheNewestUntilOneIsTaken) {
  TMessQueue q;
  for (int32_t i = 0; i < TMessQueue::kCapacity; ++i) ASSERT_TRUE(q.Add(Mess(2, i)));
  EXPECT_FALSE(q.Add(Mess(2, 4000)));
  EXPECT_EQ(q.Count(0), 4000);
  TMess current;
  ASSERT_TRUE(q.Take(0, current));
  EXPECT_EQ(current.messid, 0);
  EXPECT_TRUE(q.Add(Mess(2, 4001)));  // compaction made room
  EXPECT_EQ(q.Size(), 4000);
  int32_t last = -1;
  while (q.Take(0, current)) last = current.messid;
  EXPECT_EQ(last, 4001);
}

TEST(MultiplayerQueue, FiltersTakeCountAndClearBySender) {
  TMessQueue q;
  for (const TMess& m : {Mess(2, 1), Mess(3, 2), Mess(2, 3), Mess(3, 4)}) q.Add(m);
  TMess current = Mess(9, 99);
  EXPECT_FALSE(q.Take(-1, current));
  EXPECT_EQ(current.messid, 99);  // a failed take keeps the current message
  EXPECT_EQ(q.Count(-1), 0);
  EXPECT_EQ(q.Count(3), 2);
  ASSERT_TRUE(q.Take(3, current));
  EXPECT_EQ(current.messid, 2);  // the first of sender 3, sender 2's stay queued
  ASSERT_TRUE(q.Take(0, current));
  EXPECT_EQ(current.messid, 1);
  q.Clear(2);
  EXPECT_EQ(q.Count(2), 0);
  EXPECT_EQ(q.Count(0), 1);
  EXPECT_EQ(q.Size(), 1);
  ASSERT_TRUE(q.Take(0, current));
  EXPECT_EQ(current.messid, 4);
  EXPECT_FALSE(q.Take(0, current));
}
