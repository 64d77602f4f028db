// ENet behind the session host and client; plain POSIX sockets for the finding datagrams and the
// local address. ENet's own socket is made close-on-exec, so programs the game starts do not
// inherit it.
#include "platform/net/Net.h"

#include <arpa/inet.h>
#include <enet/enet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace platform {

namespace {
constexpr size_t kChannels = 2;  // 0 reliable, 1 unreliable
// What one peer may hold in reassembly and ordering buffers before ENet drops it.
constexpr size_t kMaxWaitingData = size_t{4} << 20;

void CloseOnExec(int fd) {
  if (fd >= 0) fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

ENetHost* MakeHost(const ENetAddress* address, size_t peers, size_t maxPacket) {
  if (enet_initialize() != 0) return nullptr;
  ENetHost* host = enet_host_create(address, peers, kChannels, 0, 0);
  if (!host) return nullptr;
  CloseOnExec(static_cast<int>(host->socket));
  host->maximumPacketSize = maxPacket;
  host->maximumWaitingData = kMaxWaitingData;
  return host;
}
}  // namespace

struct NetHost::Impl {
  ENetHost* host = nullptr;
  ENetPeer* PeerAt(uint32_t slot) const { return slot < host->peerCount ? &host->peers[slot] : nullptr; }
  uint32_t SlotOf(const ENetPeer* peer) const { return static_cast<uint32_t>(peer - host->peers); }
};

std::unique_ptr<NetHost> NetHost::Listen(uint16_t port, int span, size_t peers, size_t maxPacket) {
  for (int i = 0; i < span && port + i <= 65535; ++i) {
    ENetAddress address{};
    address.host = ENET_HOST_ANY;
    address.port = static_cast<uint16_t>(port + i);
    if (ENetHost* host = MakeHost(&address, peers, maxPacket)) {
      std::unique_ptr<NetHost> result(new NetHost());
      result->impl_ = std::make_unique<Impl>();
      result->impl_->host = host;
      return result;
    }
  }
  return nullptr;
}

std::unique_ptr<NetHost> NetHost::Client(size_t maxPacket) {
  ENetHost* host = MakeHost(nullptr, 1, maxPacket);
  if (!host) return nullptr;
  std::unique_ptr<NetHost> result(new NetHost());
  result->impl_ = std::make_unique<Impl>();
  result->impl_->host = host;
  return result;
}

NetHost::~NetHost() {
  if (impl_ && impl_->host) enet_host_destroy(impl_->host);
}

uint16_t NetHost::Port() const { return impl_->host->address.port; }

bool NetHost::Connect(NetAddress to, uint32_t& peer) {
  ENetAddress address{};
  address.host = htonl(to.ip);
  address.port = to.port;
  ENetPeer* p = enet_host_connect(impl_->host, &address, kChannels, 0);
  if (!p) return false;
  peer = impl_->SlotOf(p);
  return true;
}

bool NetHost::Service(NetEvent& event) {
  ENetEvent e;
  if (enet_host_service(impl_->host, &e, 0) <= 0) return false;
  event.data.clear();
  event.peer = e.peer ? impl_->SlotOf(e.peer) : 0;
  switch (e.type) {
    case ENET_EVENT_TYPE_CONNECT: event.kind = NetEventKind::Connect; break;
    case ENET_EVENT_TYPE_DISCONNECT: event.kind = NetEventKind::Disconnect; break;
    case ENET_EVENT_TYPE_RECEIVE:
      event.kind = NetEventKind::Receive;
      event.reliable = e.channelID == 0;
      event.data.assign(e.packet->data, e.packet->data + e.packet->dataLength);
      enet_packet_destroy(e.packet);
      break;
    default: event.kind = NetEventKind::None; break;
  }
  return true;
}

bool NetHost::Send(uint32_t slot, const uint8_t* data, size_t size, bool reliable) {
  ENetPeer* peer = impl_->PeerAt(slot);
  if (!peer || peer->state != ENET_PEER_STATE_CONNECTED) return false;
  const enet_uint32 flags = reliable ? ENET_PACKET_FLAG_RELIABLE : ENET_PACKET_FLAG_UNRELIABLE_FRAGMENT;
  ENetPacket* packet = enet_packet_create(data, size, flags);
  if (!packet) return false;
  if (enet_peer_send(peer, reliable ? 0 : 1, packet) < 0) {
    if (packet->referenceCount == 0) enet_packet_destroy(packet);
    return false;
  }
  return true;
}

void NetHost::Disconnect(uint32_t slot) {
  if (ENetPeer* peer = impl_->PeerAt(slot)) enet_peer_disconnect_later(peer, 0);
}

void NetHost::DropPeer(uint32_t slot) {
  if (ENetPeer* peer = impl_->PeerAt(slot)) enet_peer_reset(peer);
}

void NetHost::Flush() { enet_host_flush(impl_->host); }

size_t NetHost::ConnectedPeers() const {
  size_t n = 0;
  for (size_t i = 0; i < impl_->host->peerCount; ++i)
    if (impl_->host->peers[i].state != ENET_PEER_STATE_DISCONNECTED) ++n;
  return n;
}

bool ResolveHost(const std::string& name, uint32_t& ip) {
  if (name.empty() || name.find('\0') != std::string::npos) return false;
  in_addr a{};
  if (inet_pton(AF_INET, name.c_str(), &a) == 1) {
    ip = ntohl(a.s_addr);
    return true;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || !list) return false;
  ip = ntohl(reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(list);
  return true;
}

std::string IpText(uint32_t ip) {
  return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 255) + "." +
         std::to_string((ip >> 8) & 255) + "." + std::to_string(ip & 255);
}

std::string LocalIpText() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) == 0) {
    std::string found;
    for (ifaddrs* i = list; i && found.empty(); i = i->ifa_next) {
      if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
      if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
      found = IpText(ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr));
    }
    freeifaddrs(list);
    if (!found.empty()) return found;
  }
  char name[257] = {};
  if (gethostname(name, 256) != 0) return "";
  uint32_t ip = 0;
  return ResolveHost(name, ip) ? IpText(ip) : "";
}

std::unique_ptr<NetDatagram> NetDatagram::Open(uint16_t port, bool broadcast) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  const int on = 1;
  if (broadcast) setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  a.sin_port = htons(port);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<NetDatagram>(new NetDatagram(fd));
}

NetDatagram::~NetDatagram() {
  if (fd_ >= 0) close(fd_);
}

uint16_t NetDatagram::Port() const {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  return ntohs(a.sin_port);
}

bool NetDatagram::SendTo(NetAddress to, const uint8_t* data, size_t size) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(to.ip);
  a.sin_port = htons(to.port);
  return sendto(fd_, data, size, 0, reinterpret_cast<const sockaddr*>(&a), sizeof a) == static_cast<ssize_t>(size);
}

bool NetDatagram::Receive(NetAddress& from, std::vector<uint8_t>& data, size_t capacity) {
  data.resize(capacity);
  sockaddr_in a{};
  socklen_t len = sizeof a;
  const ssize_t n = recvfrom(fd_, data.data(), capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(&a), &len);
  if (n < 0) {
    data.clear();
    return false;
  }
  // A datagram larger than the buffer is cut; callers see its true size and refuse it.
  data.resize(static_cast<size_t>(n) < capacity ? static_cast<size_t>(n) : capacity);
  if (static_cast<size_t>(n) > capacity) data.push_back(0);
  from.ip = ntohl(a.sin_addr.s_addr);
  from.port = ntohs(a.sin_port);
  return true;
}

}  // namespace platform
