// Datagram networking for multiplayer sessions: a session host that accepts peers and a client
// that connects to one (reliable and unreliable packets over UDP, through ENet), a plain
// datagram socket for finding sessions, and the machine's own address. Nothing here blocks:
// every call returns at once, and callers poll.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An IPv4 address and port, both in host byte order.
struct NetAddress {
  uint32_t ip = 0;
  uint16_t port = 0;
  bool operator==(const NetAddress&) const = default;
};

// Resolves a host name or dotted address; false for an empty or unknown name.
bool ResolveHost(const std::string& name, uint32_t& ip);
inline constexpr uint32_t kLoopbackIp = 0x7F000001u;
inline constexpr uint32_t kBroadcastIp = 0xFFFFFFFFu;

// This machine's IPv4 address as dotted text: the first interface that is up and not loopback,
// else what the host name resolves to, else "".
std::string LocalIpText();
std::string IpText(uint32_t ip);

enum class NetEventKind { None, Connect, Disconnect, Receive };

struct NetEvent {
  NetEventKind kind = NetEventKind::None;
  uint32_t peer = 0;  // the peer's slot in its host
  bool reliable = false;  // a packet that came with guaranteed delivery
  std::vector<uint8_t> data;
};

// One endpoint of packet connections. A listening one takes connections on its port; a client
// one makes one connection. Peers are named by their slot, stable while the peer is connected.
class NetHost {
 public:
  // Listens on the first free port of port ... port + span - 1 for up to `peers` peers; null when
  // none is free. Packets larger than maxPacket are refused by the transport itself.
  static std::unique_ptr<NetHost> Listen(uint16_t port, int span, size_t peers, size_t maxPacket);
  static std::unique_ptr<NetHost> Client(size_t maxPacket);
  ~NetHost();
  NetHost(const NetHost&) = delete;
  NetHost& operator=(const NetHost&) = delete;

  uint16_t Port() const;
  // Starts connecting; the Connect event comes through Service.
  bool Connect(NetAddress to, uint32_t& peer);
  // The next event, without waiting; false when none is waiting.
  bool Service(NetEvent& event);
  // Queues a packet: reliable and ordered, or unreliable. False when the peer is not connected or
  // the packet cannot be made.
  bool Send(uint32_t peer, const uint8_t* data, size_t size, bool reliable);
  // Asks a peer to leave politely, after what is queued for it has gone, or drops it at once.
  void Disconnect(uint32_t peer);
  void DropPeer(uint32_t peer);
  // Sends what is queued now.
  void Flush();
  // The number of peers still connected or connecting.
  size_t ConnectedPeers() const;

 private:
  NetHost() = default;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A plain non-blocking datagram socket.
class NetDatagram {
 public:
  // Bound to `port` (0: any free one), on every interface; broadcast allowed when asked.
  static std::unique_ptr<NetDatagram> Open(uint16_t port, bool broadcast);
  ~NetDatagram();
  NetDatagram(const NetDatagram&) = delete;
  NetDatagram& operator=(const NetDatagram&) = delete;

  uint16_t Port() const;
  bool SendTo(NetAddress to, const uint8_t* data, size_t size);
  // The next datagram, cut to `capacity` bytes (size says how many arrived); false when none.
  bool Receive(NetAddress& from, std::vector<uint8_t>& data, size_t capacity);

 private:
  explicit NetDatagram(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace platform
