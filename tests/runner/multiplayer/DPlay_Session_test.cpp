// Sessions between runners on the loopback interface, two or three sides in one process: each
// side's waits serve the others, and every wait for the network is bounded by a deadline.
// Each test has its own game id and ports, so tests running side by side never meet.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/Net.h"
#include "runner/multiplayer/DPlay_Main.h"

namespace {
using Clock = std::chrono::steady_clock;

// A base port of its own for each test, from its name.
uint16_t TestPort() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  const size_t h = std::hash<std::string>{}(std::string(info->test_suite_name()) + "." + info->name());
  return static_cast<uint16_t>(42000 + (h % 300) * 2 * kPortSpan);
}

struct Loopback {
  std::vector<std::unique_ptr<CMultiplayer>> sides;
  TGuid app{};
  uint16_t port = TestPort();

  explicit Loopback(int n) {
    std::random_device device;
    for (uint8_t& b : app) b = static_cast<uint8_t>(device());
    for (int i = 0; i < n; ++i) {
      sides.push_back(std::make_unique<CMultiplayer>());
      CMultiplayer& side = *sides.back();
      side.config.app = app;
      side.config.findMillis = 300;
      side.config.joinMillis = 3000;
      side.config.waiting = [this, i] { ServeAllBut(i); };
      EXPECT_TRUE(side.InitTcpip("127.0.0.1:" + std::to_string(port)));
    }
  }
  CMultiplayer& operator[](size_t i) { return *sides[i]; }
  void ServeAllBut(size_t skip) {
    for (size_t i = 0; i < sides.size(); ++i)
      if (i != skip) sides[i]->Service();
  }
  // Serves every side until the condition holds; false after two seconds.
  bool Until(const std::function<bool()>& done) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < deadline) {
      ServeAllBut(sides.size());
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  // Side i finds the session and joins it as `name`.
  bool Join(size_t i, const std::string& name) {
    return sides[i]->FindSessions() >= 1 && sides[i]->JoinSession(0, name);
  }
  std::vector<std::string> Players(size_t i) {
    std::vector<std::string> names;
    const int32_t n = sides[i]->FindPlayers();
    for (int32_t k = 0; k < n; ++k) names.push_back(sides[i]->PlayerName(k));
    return names;
  }
};

using Names = std::vector<std::string>;
}  // namespace

TEST(MultiplayerSession, CreateFindJoinTalkShareAndLeave) {
  Loopback net(2);
  CMultiplayer& host = net[0];
  CMultiplayer& guest = net[1];
  ASSERT_TRUE(host.CreateSession("the room", 4, "hosta"));
  EXPECT_FALSE(host.CreateSession("again", 4, "hosta"));  // refused while a session is open
  EXPECT_EQ(host.Status(), CMultiplayer::kHosting);
  EXPECT_EQ(host.FindPlayers(), 1);
  EXPECT_EQ(host.PlayerName(0), "hosta");

  ASSERT_EQ(guest.FindSessions(), 1);
  EXPECT_EQ(guest.SessionName(0), "the room");
  EXPECT_EQ(guest.SessionName(1), "");
  EXPECT_FALSE(guest.JoinSession(1, "bee"));
  ASSERT_TRUE(guest.JoinSession(0, "bee"));
  EXPECT_EQ(guest.Status(), CMultiplayer::kJoined);
  EXPECT_EQ(guest.OwnId(), 2u);
  EXPECT_EQ(net.Players(1), (Names{"bee", "hosta"}));
  ASSERT_TRUE(net.Until([&] { return host.FindPlayers() == 2; }));
  EXPECT_EQ(net.Players(0), (Names{"hosta", "bee"}));
  EXPECT_EQ(host.PlayerId(1), 2u);

  // Messages both ways, guaranteed, a real and a string.
  ASSERT_TRUE(host.SendMessage(2, 5, RValue(2.5), true));
  ASSERT_TRUE(guest.SendMessage(0, 6, RValue(std::string_view("abc")), true));
  ASSERT_TRUE(net.Until([&] { return guest.CountMessages(0) == 1 && host.CountMessages(0) == 1; }));
  ASSERT_TRUE(guest.ReceiveMessage(1));
  EXPECT_EQ(guest.Current().messid, 5);
  EXPECT_EQ(guest.Current().val.val(), 2.5);
  EXPECT_EQ(guest.Current().player, 1u);
  EXPECT_EQ(guest.CurrentSenderName(), "hosta");
  ASSERT_TRUE(host.ReceiveMessage(0));
  EXPECT_EQ(host.Current().val.str(), "abc");
  EXPECT_EQ(host.CurrentSenderName(), "bee");
  EXPECT_FALSE(host.SendMessage(7, 1, RValue(1.0), true));  // no such player

  // Shared data, both ways, guaranteed and not.
  ASSERT_TRUE(host.WriteData(3, RValue(std::string_view("map"))));
  guest.SetGuaranteedData(false);
  ASSERT_TRUE(guest.WriteData(1000000, RValue(42.0)));
  EXPECT_FALSE(guest.WriteData(1000001, RValue(1.0)));
  EXPECT_FALSE(guest.WriteData(-1, RValue(5.0)));
  ASSERT_TRUE(net.Until([&] { return guest.ReadData(3).str() == "map" && host.ReadData(1000000).val() == 42.0; }));
  EXPECT_EQ(guest.ReadData(1000000).val(), 42.0);  // kept locally after a successful send
  EXPECT_EQ(guest.ReadData(2).val(), 0.0);

  // The guest leaves; the host sees it go and keeps its session.
  guest.EndSession();
  EXPECT_EQ(guest.Status(), CMultiplayer::kNoSession);
  EXPECT_EQ(guest.FindPlayers(), 0);
  EXPECT_FALSE(guest.SendMessage(0, 1, RValue(1.0), true));
  ASSERT_TRUE(net.Until([&] { return host.FindPlayers() == 1; }));
  // And joins again under a new id.
  ASSERT_TRUE(net.Join(1, "bee2"));
  EXPECT_EQ(guest.OwnId(), 3u);
  host.End();
  EXPECT_EQ(host.ConnectKind(), CMultiplayer::kNone);
  EXPECT_EQ(host.Status(), CMultiplayer::kNoSession);
}

TEST(MultiplayerSession, HostRelaysBetweenPlayersAndNobodySpeaksForAnother) {
  Loopback net(3);
  ASSERT_TRUE(net[0].CreateSession("three", 0, "h"));
  ASSERT_TRUE(net.Join(1, "p"));
  ASSERT_TRUE(net.Join(2, "q"));
  EXPECT_EQ(net.Players(2), (Names{"q", "h", "p"}));
  ASSERT_TRUE(net.Until([&] { return net[1].FindPlayers() == 3; }));
  EXPECT_EQ(net.Players(1), (Names{"p", "h", "q"}));

  uint32_t q = 0;
  ASSERT_TRUE(net[1].PlayerByName("q", q));
  EXPECT_EQ(q, 3u);
  ASSERT_TRUE(net[1].SendMessage(q, 1, RValue(std::string_view("to q")), true));
  ASSERT_TRUE(net[1].SendMessage(0, 2, RValue(std::string_view("to all")), true));
  ASSERT_TRUE(net[0].SendMessage(0, 3, RValue(3.0), true));
  ASSERT_TRUE(net.Until([&] { return net[2].CountMessages(0) == 3 && net[0].CountMessages(0) == 1; }));
  EXPECT_EQ(net[1].CountMessages(0), 1);  // the host's; its own broadcast does not come back
  // Receiving by sender skips the others' messages, which stay queued in arrival order.
  ASSERT_TRUE(net[2].ReceiveMessage(1));
  EXPECT_EQ(net[2].Current().messid, 3);
  ASSERT_TRUE(net[2].ReceiveMessage(0));
  EXPECT_EQ(net[2].Current().val.str(), "to q");
  EXPECT_EQ(net[2].Current().player, 2u);
  EXPECT_EQ(net[2].CountMessages(2), 1);
  net[2].ClearMessages(2);
  EXPECT_EQ(net[2].CountMessages(0), 0);

  // The host leaves: its players are left alone and their sends fail.
  net[0].EndSession();
  ASSERT_TRUE(net.Until([&] { return net[1].FindPlayers() == 1 && net[2].FindPlayers() == 1; }));
  EXPECT_FALSE(net[1].SendMessage(0, 1, RValue(1.0), true));
  EXPECT_FALSE(net[1].WriteData(0, RValue(1.0)));
  EXPECT_EQ(net[1].Status(), CMultiplayer::kJoined);  // until the game ends it
  net[1].EndSession();
  EXPECT_EQ(net[1].Status(), CMultiplayer::kNoSession);
}

TEST(MultiplayerSession, FullSessionsAndOtherGamesRefuseToJoin) {
  Loopback net(3);
  ASSERT_TRUE(net[0].CreateSession("pair", 2, "h"));
  ASSERT_TRUE(net.Join(1, "p"));
  ASSERT_EQ(net[2].FindSessions(), 1);
  EXPECT_FALSE(net[2].JoinSession(0, "late"));
  EXPECT_EQ(net[2].Status(), CMultiplayer::kNoSession);
  ASSERT_TRUE(net.Until([&] { return net[0].FindPlayers() == 2; }));

  // Another game's runner does not see this one's sessions.
  net[2].config.app[0] ^= 1;
  EXPECT_EQ(net[2].FindSessions(), 0);
}

TEST(MultiplayerSession, TwoSessionsOnOneMachineTakeNeighbouringPorts) {
  Loopback net(3);
  ASSERT_TRUE(net[0].CreateSession("one", 0, "a"));
  ASSERT_TRUE(net[1].CreateSession("two", 0, "b"));
  EXPECT_NE(net[0].SessionPort(), net[1].SessionPort());
  ASSERT_EQ(net[2].FindSessions(), 2);
  Names found{net[2].SessionName(0), net[2].SessionName(1)};
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (Names{"one", "two"}));
}

TEST(MultiplayerSession, FindingByLoopbackBroadcast) {
  Loopback net(2);
  ASSERT_TRUE(net[0].CreateSession("wide", 0, "a"));
  net[1].End();
  ASSERT_TRUE(net[1].InitTcpip("127.255.255.255:" + std::to_string(net.port)));
  ASSERT_EQ(net[1].FindSessions(), 1);
  EXPECT_EQ(net[1].SessionName(0), "wide");
  EXPECT_TRUE(net[1].JoinSession(0, "b"));
}

TEST(MultiplayerSession, HostileTrafficIsDroppedAndTheSessionGoesOn) {
  Loopback net(2);
  CMultiplayer& host = net[0];
  ASSERT_TRUE(host.CreateSession("tough", 0, "h"));
  ASSERT_TRUE(net.Join(1, "p"));

  // Raw datagrams at the session's socket and at its finding socket.
  auto raw = platform::NetDatagram::Open(0, false);
  ASSERT_TRUE(raw);
  std::mt19937 random(7);
  std::vector<std::vector<uint8_t>> junk = {{}, {'K', 'V', 'M', 'P'}, {'K', 'V', 'M', 'P', 1, 1}, {'K', 'V', 'M', 'P', 9, 1}};
  for (int i = 0; i < 200; ++i) {
    std::vector<uint8_t> d(random() % 1400);
    for (uint8_t& b : d) b = static_cast<uint8_t>(random());
    junk.push_back(d);
  }
  for (const auto& d : junk)
    for (uint16_t port : {host.SessionPort(), static_cast<uint16_t>(host.SessionPort() + kPortSpan)})
      raw->SendTo({platform::kLoopbackIp, port}, d.data(), d.size());

  // A peer that connects without joining gets nothing relayed; its frames are dropped, and one
  // of another wire version is refused.
  auto rogue = platform::NetHost::Client(kMaxPacket);
  uint32_t peer = 0;
  ASSERT_TRUE(rogue->Connect({platform::kLoopbackIp, host.SessionPort()}, peer));
  platform::NetEvent event;
  ASSERT_TRUE(net.Until([&] { return rogue->Service(event) && event.kind == platform::NetEventKind::Connect; }));
  RFrame spoof;
  spoof.kind = EFrameKind::Data;
  spoof.from = 2;
  spoof.mess.val.SetReal(666);
  std::vector<uint8_t> bytes;
  EncodeFrame(spoof, bytes);
  ASSERT_TRUE(rogue->Send(peer, bytes.data(), bytes.size(), true));
  RFrame join;
  join.kind = EFrameKind::Join;
  join.app = net.app;
  EncodeFrame(join, bytes);
  bytes[4] = kWireVersion + 1;
  ASSERT_TRUE(rogue->Send(peer, bytes.data(), bytes.size(), true));
  bool refused = false, dropped = false;
  ASSERT_TRUE(net.Until([&] {
    while (rogue->Service(event)) {
      RFrame f;
      if (event.kind == platform::NetEventKind::Receive && DecodeFrame(event.data, f) == EDecode::Ok)
        refused = f.kind == EFrameKind::Refuse && f.reason == ERefuse::OtherVersion;
      if (event.kind == platform::NetEventKind::Disconnect) dropped = true;
    }
    return refused && dropped;
  }));
  EXPECT_EQ(host.CountMessages(0), 0);

  // A player that joined cannot speak for another: the host stamps the sender it knows.
  auto liar = platform::NetHost::Client(kMaxPacket);
  ASSERT_TRUE(liar->Connect({platform::kLoopbackIp, host.SessionPort()}, peer));
  ASSERT_TRUE(net.Until([&] { return liar->Service(event) && event.kind == platform::NetEventKind::Connect; }));
  join.instance = net[1].Sessions().at(0).guid;
  join.name = "liar";
  EncodeFrame(join, bytes);
  ASSERT_TRUE(liar->Send(peer, bytes.data(), bytes.size(), true));
  ASSERT_TRUE(net.Until([&] {
    liar->Service(event);
    return host.FindPlayers() == 3 && net[1].FindPlayers() == 3;
  }));
  spoof.from = 2;
  spoof.to = 0;
  EncodeFrame(spoof, bytes);
  ASSERT_TRUE(liar->Send(peer, bytes.data(), bytes.size(), true));
  ASSERT_TRUE(net.Until([&] {
    liar->Service(event);
    return host.CountMessages(0) == 1 && net[1].CountMessages(0) == 1;
  }));
  ASSERT_TRUE(host.ReceiveMessage(0));
  EXPECT_EQ(host.Current().player, 3u);
  EXPECT_EQ(host.CurrentSenderName(), "liar");
  ASSERT_TRUE(net[1].ReceiveMessage(0));
  EXPECT_EQ(net[1].Current().player, 3u);
  EXPECT_EQ(net[1].Current().val.val(), 666.0);
}
