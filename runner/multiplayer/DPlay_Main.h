// Multiplayer sessions: the connection, finding, creating, joining and leaving sessions, the
// players, sending and receiving messages and shared data. One CMultiplayer is one program's
// side of a game over the network; the game's lives in the multiplayer state, and tests run two
// side by side. The host of a session relays between the other players, assigns player ids and
// tells everyone who joins and leaves; nothing here waits except finding and joining, which
// wait a bounded time for answers, as the game's call expects.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/net/Net.h"
#include "runner/base/Game.h"
#include "runner/multiplayer/DPlay_Low.h"

// Ports: sessions listen on the first free port of base ... base + 15; finding asks the ports
// base + 16 ... base + 31, where each session answers on its own port + 16.
inline constexpr uint16_t kDefaultBasePort = 30210;
inline constexpr int kPortSpan = 16;

struct RMplaySession {  // one found session
  TGuid guid{};
  std::string name;
  platform::NetAddress address;
  int32_t players = 0;
  int32_t maxPlayers = 0;
};

struct RMplayPlayer {
  uint32_t id = 0;
  std::string name;
  uint32_t peer = 0;  // the host's peer slot of this player
};

class CMultiplayer {
 public:
  // Connection kinds and session statuses as games see them.
  enum : int32_t { kNone = 0, kIpx = 1, kTcpip = 2, kModem = 3, kSerial = 4 };
  enum : int32_t { kNoSession = 0, kHosting = 1, kJoined = 2 };

  struct RConfig {
    TGuid app{};           // the game's session identifier
    int findMillis = 1000; // how long finding listens for answers
    int joinMillis = 3000; // how long joining waits for the host
    // Runs while finding or joining waits (tests serve the other side here); may be empty.
    std::function<void()> waiting;
  };

  CMultiplayer() = default;
  ~CMultiplayer();
  CMultiplayer(const CMultiplayer&) = delete;
  CMultiplayer& operator=(const CMultiplayer&) = delete;

  RConfig config;

  // "host", "host:port" or "" (no host: find by broadcast). False when a connection is set or the
  // port is not a number in range.
  bool InitTcpip(const std::string& address);
  void End();
  int32_t ConnectKind() const { return kind_; }
  int32_t Status() const { return status_; }
  void SetMigration(bool on) { migrate_ = on; }
  bool Migration() const { return migrate_; }
  void SetGuaranteedData(bool on) { guaranteed_ = on; }

  bool CreateSession(const std::string& name, int32_t maxPlayers, const std::string& player);
  int32_t FindSessions();
  std::string SessionName(int32_t index) const;
  const std::vector<RMplaySession>& Sessions() const { return sessions_; }
  bool JoinSession(int32_t index, const std::string& player);
  void EndSession();

  // The player list: own player first, then the others in the order they joined.
  int32_t FindPlayers();
  std::string PlayerName(int32_t index) const;
  uint32_t PlayerId(int32_t index) const;
  // The first player in a fresh list with exactly this name; false when none.
  bool PlayerByName(std::string_view name, uint32_t& id);
  uint32_t OwnId() const { return ownId_; }

  bool SendMessage(uint32_t to, int32_t id, const RValue& value, bool guaranteed);
  bool WriteData(int32_t index, const RValue& value);
  RValue ReadData(int32_t index);
  bool ReceiveMessage(int64_t filter);
  int32_t CountMessages(int64_t filter);
  void ClearMessages(int64_t filter);
  const TMess& Current() const { return current_; }
  std::string CurrentSenderName();

  // Keeps the connection alive and takes in what arrived, without touching the queue: the main
  // loop calls it once a step, so peers are answered and relayed to while the game is busy.
  void Service();
  // Takes in what arrived, then moves it into the queue and the shared data.
  void ReceivePending();

  // What the session's socket listens on (0 without one), and the players it knows of.
  uint16_t SessionPort() const { return server_ ? server_->Port() : 0; }
  size_t InboxSize() const { return inbox_.size(); }
  int32_t QueueSize() const { return queue_.Size(); }
  size_t SharedSize() const { return shared_.size(); }

 private:
  using Clock = std::chrono::steady_clock;
  struct RPending {
    uint32_t peer;
    Clock::time_point since;
  };

  bool Connected() const { return kind_ != kNone; }
  bool InSession() const { return kind_ != kNone && status_ != kNoSession; }
  void Wait();
  void ServeHost();
  void ServeClient();
  void HostFrame(uint32_t peer, const std::vector<uint8_t>& bytes, bool reliable);
  void HostJoin(uint32_t peer, const RFrame& frame);
  void HostLeave(uint32_t peer);
  void ClientFrame(const RFrame& frame);
  void AnswerFinders();
  void Deliver(const TMess& mess);
  bool SendFrame(uint32_t peer, const RFrame& frame, bool reliable);
  bool SendRecord(const RFrame& frame, bool guaranteed);
  void CloseSession();
  RMplayPlayer* PlayerWithId(uint32_t id);
  RMplayPlayer* PlayerAtPeer(uint32_t peer);

  int32_t kind_ = kNone;
  int32_t status_ = kNoSession;
  bool migrate_ = false;
  bool guaranteed_ = true;
  std::string hostName_;
  uint16_t basePort_ = kDefaultBasePort;

  std::vector<RMplaySession> sessions_;
  std::vector<RMplayPlayer> listed_;  // the list the game last asked for

  // The session.
  uint32_t ownId_ = 0;
  std::string ownName_;
  std::vector<RMplayPlayer> others_;  // everyone else, in joining order
  // Hosting.
  std::unique_ptr<platform::NetHost> server_;
  std::unique_ptr<platform::NetDatagram> finder_;  // answers those who look for sessions
  std::vector<RPending> pending_;                   // connected, not joined yet
  TGuid instance_{};
  std::string sessionName_;
  int32_t maxPlayers_ = 0;
  uint32_t nextId_ = 2;
  // Joined.
  std::unique_ptr<platform::NetHost> client_;
  uint32_t hostPeer_ = 0;
  bool hostGone_ = false;

  // Arrivals wait here until a receiving function moves them on, so the queue's rules hold.
  std::deque<TMess> inbox_;
  size_t inboxBytes_ = 0;
  TMessQueue queue_;
  TMess current_;
  std::vector<RValue> shared_;
  std::vector<uint8_t> scratch_;
};

struct RMultiplayerState {
  static constexpr EGameSlot kSlot = EGameSlot::Multiplayer;
  CMultiplayer mp;
};
inline CMultiplayer& Multiplayer() { return TheGame().State<RMultiplayerState>().mp; }
// The main loop's once-a-step service; nothing when the game never used multiplayer.
void ServiceMultiplayer();
