// Messages between players: the message record, its payload (the bytes a message or a shared
// data write travels as), the frames that carry payloads and session business between runners,
// and the per-program message queue. Everything that arrives from the network is decoded here
// and checked in full before anything else sees it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runner/code/Variable_Class.h"

// A message for the queue (ismessage) or a shared data write (messid is the index).
struct TMess {
  uint32_t player = 0;  // outgoing: the addressee, 0 all players; received: the sender
  bool ismessage = true;
  int32_t messid = 0;
  RValue val;
};

inline constexpr size_t kMaxMessString = 32000;    // longer strings are cut to this
inline constexpr size_t kRealPayload = 14;
inline constexpr size_t kStringPayloadHead = 10;
inline constexpr size_t kMaxPayload = kStringPayloadHead + kMaxMessString;
inline constexpr int32_t kMaxSharedIndex = 1000000;

// The payload of a record: 14 bytes for a real, 10 + length for a string.
void PackPayload(const TMess& mess, std::vector<uint8_t>& out);
// False unless the bytes are exactly one well-formed payload; `player` is left alone.
bool UnpackPayload(std::span<const uint8_t> bytes, TMess& mess);

// Frames. Every frame opens with the magic "KVMP", the wire version and the kind; see
// docs/internals/multiplayer.md. Runners of another wire version refuse each other.
inline constexpr uint8_t kWireVersion = 1;
inline constexpr size_t kFrameHead = 6;
inline constexpr size_t kMaxNameBytes = 1024;       // session and player names on the wire
inline constexpr uint16_t kMaxPlayers = 64;         // in one session, the host included
inline constexpr size_t kMaxFrame = kFrameHead + 8 + kMaxPayload;
// The largest well-formed frame of any kind (a welcome listing every player) stays below this.
inline constexpr size_t kMaxPacket = 96 * 1024;

enum class EFrameKind : uint8_t {
  FindAsk = 1,      // app id: which sessions of this game are there?
  FindAnswer = 2,   // a session: instance id, port, player count, maximum, name
  Join = 3,         // app id, instance id, player name
  Welcome = 4,      // the joiner's id and the players already there
  Refuse = 5,       // a reason
  PlayerAdd = 6,    // id, name
  PlayerRemove = 7, // id
  Data = 8,         // from, to, payload
};

enum class ERefuse : uint8_t { Full = 1, OtherSession = 2, OtherVersion = 3 };

using TGuid = std::array<uint8_t, 16>;

struct RWirePlayer {
  uint32_t id = 0;
  std::string name;
};

struct RFrame {
  EFrameKind kind = EFrameKind::Data;
  TGuid app{};
  TGuid instance{};
  uint16_t port = 0;
  uint16_t players = 0;
  uint16_t maxPlayers = 0;
  uint32_t id = 0;        // Welcome: the joiner's; PlayerAdd, PlayerRemove: the player's
  uint32_t from = 0;      // Data
  uint32_t to = 0;        // Data
  ERefuse reason = ERefuse::Full;
  std::string name;
  std::vector<RWirePlayer> list;  // Welcome
  TMess mess;             // Data
};

enum class EDecode { Ok, Foreign, OtherVersion, Bad };

// Decodes one frame. Foreign: not a frame of ours (too short, wrong magic); OtherVersion: ours,
// of another wire version (only the head was read); Bad: a damaged frame of our version.
EDecode DecodeFrame(std::span<const uint8_t> bytes, RFrame& frame);
void EncodeFrame(const RFrame& frame, std::vector<uint8_t>& out);

// The message queue: 4000 records with a read flag each, the count in use and the position of
// the first record that may be unread. A filter of 0 matches every sender, a positive one only
// that sender, a negative one none.
class TMessQueue {
 public:
  static constexpr int32_t kCapacity = 4000;

  bool Add(const TMess& mess);  // false: full even after compaction, the message is dropped
  bool Take(int64_t filter, TMess& current);
  int32_t Count(int64_t filter) const;
  void Clear(int64_t filter);
  int32_t Size() const { return count_; }

 private:
  void Compact();
  static bool Matches(int64_t filter, uint32_t player) {
    return filter == 0 || (filter > 0 && static_cast<int64_t>(player) == filter);
  }
  std::vector<TMess> entries_ = std::vector<TMess>(kCapacity);
  std::vector<uint8_t> read_ = std::vector<uint8_t>(kCapacity, 0);
  int32_t count_ = 0;
  int32_t first_ = 0;
};
