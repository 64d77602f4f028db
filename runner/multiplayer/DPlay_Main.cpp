// Sessions over the network. The host owns the truth of a session: it assigns ids (1 for
// itself, then 2, 3 ... never reused in a session), checks every frame a peer sends, stamps the
// sender's id on what it relays so nobody can speak for another, and tells every player who
// joins and leaves. Players send only to the host.
#include "runner/multiplayer/DPlay_Main.h"

#include <algorithm>
#include <charconv>
#include <random>
#include <thread>

namespace {
constexpr size_t kInboxLimit = 8000;                  // records waiting for a receiving function
constexpr size_t kInboxBytes = size_t{64} << 20;      // and their strings
constexpr int kServiceBudget = 4096;                  // events taken in by one service
constexpr auto kJoinGrace = std::chrono::seconds(5);  // a peer that never joins is dropped
constexpr auto kCloseFlush = std::chrono::milliseconds(100);
constexpr size_t kMaxFound = 64;

TGuid RandomGuid() {
  std::random_device device;
  TGuid g;
  for (uint8_t& b : g) b = static_cast<uint8_t>(device());
  return g;
}

// The port after the colon: digits only, leaving room for the whole port range above it.
bool ParsePort(std::string_view text, uint16_t& port) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  if (value < 1 || value > 65535u - 2 * kPortSpan) return false;
  port = static_cast<uint16_t>(value);
  return true;
}
}  // namespace

CMultiplayer::~CMultiplayer() { End(); }

bool CMultiplayer::InitTcpip(const std::string& address) {
  if (Connected()) return false;
  const size_t colon = address.find(':');
  uint16_t port = kDefaultBasePort;
  if (colon != std::string::npos && !ParsePort(std::string_view(address).substr(colon + 1), port)) return false;
  hostName_ = address.substr(0, colon);
  basePort_ = port;
  kind_ = kTcpip;
  return true;
}

void CMultiplayer::End() {
  if (!Connected()) return;
  if (status_ != kNoSession) EndSession();
  sessions_.clear();
  kind_ = kNone;
}

// ----- Sessions

bool CMultiplayer::CreateSession(const std::string& name, int32_t maxPlayers, const std::string& player) {
  if (!Connected() || status_ != kNoSession) return false;
  const size_t cap = maxPlayers > 0 ? std::min<size_t>(maxPlayers, kMaxPlayers) : kMaxPlayers;
  // Room for the players and for a few peers still saying who they are.
  std::unique_ptr<platform::NetHost> server;
  std::unique_ptr<platform::NetDatagram> finder;
  for (int i = 0; i < kPortSpan && !finder; ++i) {
    server = platform::NetHost::Listen(static_cast<uint16_t>(basePort_ + i), 1, cap + 4, kMaxPacket);
    if (server) finder = platform::NetDatagram::Open(static_cast<uint16_t>(server->Port() + kPortSpan), false);
  }
  if (!server || !finder) return false;
  server_ = std::move(server);
  finder_ = std::move(finder);
  instance_ = RandomGuid();
  sessionName_ = name.substr(0, kMaxNameBytes);
  maxPlayers_ = static_cast<int32_t>(cap);
  nextId_ = 2;
  others_.clear();
  pending_.clear();
  ownId_ = 1;
  ownName_ = player.substr(0, kMaxNameBytes);
  status_ = kHosting;
  return true;
}

int32_t CMultiplayer::FindSessions() {
  if (!Connected()) return 0;
  sessions_.clear();
  uint32_t ip = platform::kBroadcastIp;
  if (!hostName_.empty() && !platform::ResolveHost(hostName_, ip)) return 0;
  std::unique_ptr<platform::NetDatagram> socket = platform::NetDatagram::Open(0, true);
  if (!socket) return 0;
  RFrame ask;
  ask.kind = EFrameKind::FindAsk;
  ask.app = config.app;
  EncodeFrame(ask, scratch_);
  for (int i = 0; i < kPortSpan; ++i)
    socket->SendTo({ip, static_cast<uint16_t>(basePort_ + kPortSpan + i)}, scratch_.data(), scratch_.size());
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(config.findMillis);
  std::vector<uint8_t> bytes;
  while (Clock::now() < deadline) {
    platform::NetAddress from;
    if (!socket->Receive(from, bytes, kMaxPacket)) {
      Wait();
      continue;
    }
    RFrame answer;
    if (DecodeFrame(bytes, answer) != EDecode::Ok || answer.kind != EFrameKind::FindAnswer) continue;
    if (answer.app != config.app || sessions_.size() >= kMaxFound) continue;
    const bool known = std::any_of(sessions_.begin(), sessions_.end(),
                                   [&](const RMplaySession& s) { return s.guid == answer.instance; });
    if (known) continue;
    sessions_.push_back({answer.instance, answer.name, {from.ip, answer.port}, answer.players, answer.maxPlayers});
  }
  return static_cast<int32_t>(sessions_.size());
}

std::string CMultiplayer::SessionName(int32_t index) const {
  if (!Connected() || index < 0 || index >= static_cast<int32_t>(sessions_.size())) return "";
  return sessions_[index].name;
}

bool CMultiplayer::JoinSession(int32_t index, const std::string& player) {
  if (!Connected() || status_ != kNoSession || index < 0 || index >= static_cast<int32_t>(sessions_.size()))
    return false;
  const RMplaySession session = sessions_[index];
  client_ = platform::NetHost::Client(kMaxPacket);
  if (!client_ || !client_->Connect(session.address, hostPeer_)) {
    client_.reset();
    return false;
  }
  ownName_ = player.substr(0, kMaxNameBytes);
  others_.clear();
  bool welcomed = false, failed = false;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(config.joinMillis);
  platform::NetEvent event;
  while (!welcomed && !failed && Clock::now() < deadline) {
    if (!client_->Service(event)) {
      Wait();
      continue;
    }
    if (event.kind == platform::NetEventKind::Connect) {
      RFrame join;
      join.kind = EFrameKind::Join;
      join.app = config.app;
      join.instance = session.guid;
      join.name = ownName_;
      failed = !SendFrame(hostPeer_, join, true);
    } else if (event.kind == platform::NetEventKind::Disconnect) {
      failed = true;
    } else if (event.kind == platform::NetEventKind::Receive) {
      RFrame frame;
      const EDecode result = DecodeFrame(event.data, frame);
      if (result == EDecode::OtherVersion || (result == EDecode::Ok && frame.kind == EFrameKind::Refuse)) {
        failed = true;
      } else if (result == EDecode::Ok && frame.kind == EFrameKind::Welcome && frame.id > 1) {
        ownId_ = frame.id;
        for (const RWirePlayer& p : frame.list)
          if (p.id != 0 && p.id != ownId_ && !PlayerWithId(p.id)) others_.push_back({p.id, p.name, 0});
        welcomed = true;
      }
    }
  }
  if (!welcomed) {
    client_.reset();
    others_.clear();
    ownId_ = 0;
    return false;
  }
  hostGone_ = false;
  status_ = kJoined;
  return true;
}

void CMultiplayer::EndSession() {
  if (!InSession()) return;
  CloseSession();
  status_ = kNoSession;
}

void CMultiplayer::CloseSession() {
  platform::NetHost* host = server_ ? server_.get() : client_.get();
  if (host) {
    if (server_) {
      for (const RMplayPlayer& p : others_) host->Disconnect(p.peer);
      for (const RPending& p : pending_) host->Disconnect(p.peer);
    } else if (!hostGone_) {
      host->Disconnect(hostPeer_);
    }
    // Let the goodbyes go out and be acknowledged, briefly: peers then learn at once instead of
    // after their time-out.
    host->Flush();
    const Clock::time_point deadline = Clock::now() + kCloseFlush;
    platform::NetEvent event;
    while (host->ConnectedPeers() > 0 && Clock::now() < deadline)
      if (!host->Service(event)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  server_.reset();
  finder_.reset();
  client_.reset();
  pending_.clear();
  others_.clear();
  listed_.clear();
  ownId_ = 0;
  hostGone_ = false;
}

void CMultiplayer::Wait() {
  // A host that looks for sessions keeps serving its own, which then finds itself too.
  if (server_) ServeHost();
  if (config.waiting) config.waiting();
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// ----- Players

RMplayPlayer* CMultiplayer::PlayerWithId(uint32_t id) {
  for (RMplayPlayer& p : others_)
    if (p.id == id) return &p;
  return nullptr;
}

RMplayPlayer* CMultiplayer::PlayerAtPeer(uint32_t peer) {
  for (RMplayPlayer& p : others_)
    if (p.peer == peer) return &p;
  return nullptr;
}

int32_t CMultiplayer::FindPlayers() {
  listed_.clear();
  if (!InSession()) return 0;
  Service();
  listed_.push_back({ownId_, ownName_, 0});
  listed_.insert(listed_.end(), others_.begin(), others_.end());
  return static_cast<int32_t>(listed_.size());
}

std::string CMultiplayer::PlayerName(int32_t index) const {
  return index >= 0 && index < static_cast<int32_t>(listed_.size()) ? listed_[index].name : "";
}

uint32_t CMultiplayer::PlayerId(int32_t index) const {
  return index >= 0 && index < static_cast<int32_t>(listed_.size()) ? listed_[index].id : 0;
}

bool CMultiplayer::PlayerByName(std::string_view name, uint32_t& id) {
  FindPlayers();
  for (const RMplayPlayer& p : listed_)
    if (p.name == name) {
      id = p.id;
      return true;
    }
  return false;
}

std::string CMultiplayer::CurrentSenderName() {
  FindPlayers();
  for (const RMplayPlayer& p : listed_)
    if (p.id == current_.player) return p.name;
  return "(unknown)";
}

// ----- Sending

bool CMultiplayer::SendFrame(uint32_t peer, const RFrame& frame, bool reliable) {
  platform::NetHost* host = server_ ? server_.get() : client_.get();
  if (!host) return false;
  EncodeFrame(frame, scratch_);
  return host->Send(peer, scratch_.data(), scratch_.size(), reliable);
}

bool CMultiplayer::SendMessage(uint32_t to, int32_t id, const RValue& value, bool guaranteed) {
  if (!InSession()) return false;
  RFrame frame;
  frame.kind = EFrameKind::Data;
  frame.from = ownId_;
  frame.to = to;
  frame.mess.player = to;
  frame.mess.messid = id;
  frame.mess.val = value;
  // Strings travel cut to their first 32000 bytes; what is delivered locally is cut the same way.
  if (value.IsString() && value.str().size() > kMaxMessString) frame.mess.val = RValue(value.str().substr(0, kMaxMessString));
  frame.mess.ismessage = true;
  return SendRecord(frame, guaranteed);
}

bool CMultiplayer::SendRecord(const RFrame& frame, bool guaranteed) {
  const uint32_t to = frame.to;
  if (to == ownId_) {
    TMess self = frame.mess;
    self.player = ownId_;
    Deliver(self);
    return true;
  }
  if (server_) {
    if (to == 0) {
      for (const RMplayPlayer& p : others_) SendFrame(p.peer, frame, guaranteed);
      return true;
    }
    const RMplayPlayer* p = PlayerWithId(to);
    return p && SendFrame(p->peer, frame, guaranteed);
  }
  if (hostGone_ || (to != 0 && !PlayerWithId(to))) return false;
  return SendFrame(hostPeer_, frame, guaranteed);
}

bool CMultiplayer::WriteData(int32_t index, const RValue& value) {
  if (!InSession() || index < 0 || index > kMaxSharedIndex) return false;
  if (shared_.size() < static_cast<size_t>(index) + 1) shared_.resize(static_cast<size_t>(index) + 1);
  RFrame frame;
  frame.kind = EFrameKind::Data;
  frame.from = ownId_;
  frame.to = 0;
  frame.mess.ismessage = false;
  frame.mess.messid = index;
  frame.mess.val = value;
  if (value.IsString() && value.str().size() > kMaxMessString) frame.mess.val = RValue(value.str().substr(0, kMaxMessString));
  if (!SendRecord(frame, guaranteed_)) return false;
  shared_[index] = frame.mess.val;
  return true;
}

// ----- Receiving

void CMultiplayer::Deliver(const TMess& mess) {
  const size_t bytes = mess.val.IsString() ? mess.val.str().size() : 0;
  // A peer that floods is cut off here; the queue's own limit applies once the game receives.
  if (inbox_.size() >= kInboxLimit || inboxBytes_ + bytes > kInboxBytes) return;
  inbox_.push_back(mess);
  inboxBytes_ += bytes;
}

void CMultiplayer::ReceivePending() {
  if (!InSession()) return;
  Service();
  while (!inbox_.empty()) {
    TMess& mess = inbox_.front();
    if (mess.ismessage) {
      queue_.Add(mess);
    } else if (mess.messid >= 0 && mess.messid <= kMaxSharedIndex) {
      if (shared_.size() < static_cast<size_t>(mess.messid) + 1) shared_.resize(static_cast<size_t>(mess.messid) + 1);
      shared_[mess.messid] = mess.val;
    }
    inbox_.pop_front();
  }
  inboxBytes_ = 0;
}

RValue CMultiplayer::ReadData(int32_t index) {
  if (!InSession() || index < 0 || index > kMaxSharedIndex) return RValue();
  ReceivePending();
  return static_cast<size_t>(index) < shared_.size() ? shared_[index] : RValue();
}

bool CMultiplayer::ReceiveMessage(int64_t filter) {
  if (!InSession()) return false;
  ReceivePending();
  return queue_.Take(filter, current_);
}

int32_t CMultiplayer::CountMessages(int64_t filter) {
  if (!InSession()) return 0;
  ReceivePending();
  return queue_.Count(filter);
}

void CMultiplayer::ClearMessages(int64_t filter) {
  if (!InSession()) return;
  ReceivePending();
  queue_.Clear(filter);
}

// ----- The network

void CMultiplayer::Service() {
  if (server_) ServeHost();
  else if (client_) ServeClient();
}

void CMultiplayer::AnswerFinders() {
  platform::NetAddress from;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < kServiceBudget && finder_->Receive(from, bytes, kMaxPacket); ++i) {
    RFrame ask;
    if (DecodeFrame(bytes, ask) != EDecode::Ok || ask.kind != EFrameKind::FindAsk || ask.app != config.app) continue;
    RFrame answer;
    answer.kind = EFrameKind::FindAnswer;
    answer.app = config.app;
    answer.instance = instance_;
    answer.port = server_->Port();
    answer.players = static_cast<uint16_t>(others_.size() + 1);
    answer.maxPlayers = static_cast<uint16_t>(maxPlayers_);
    answer.name = sessionName_;
    EncodeFrame(answer, scratch_);
    finder_->SendTo(from, scratch_.data(), scratch_.size());
  }
}

void CMultiplayer::ServeHost() {
  AnswerFinders();
  platform::NetEvent event;
  for (int i = 0; i < kServiceBudget && server_ && server_->Service(event); ++i) {
    switch (event.kind) {
      case platform::NetEventKind::Connect: pending_.push_back({event.peer, Clock::now()}); break;
      case platform::NetEventKind::Disconnect: HostLeave(event.peer); break;
      case platform::NetEventKind::Receive: HostFrame(event.peer, event.data, event.reliable); break;
      case platform::NetEventKind::None: break;
    }
  }
  const Clock::time_point now = Clock::now();
  std::erase_if(pending_, [&](const RPending& p) {
    if (now - p.since < kJoinGrace) return false;
    server_->DropPeer(p.peer);
    return true;
  });
}

void CMultiplayer::HostFrame(uint32_t peer, const std::vector<uint8_t>& bytes, bool reliable) {
  RFrame frame;
  const EDecode result = DecodeFrame(bytes, frame);
  const RMplayPlayer* sender = PlayerAtPeer(peer);
  if (!sender) {
    const bool pending = std::any_of(pending_.begin(), pending_.end(), [&](const RPending& p) { return p.peer == peer; });
    if (!pending) return;
    if (result == EDecode::OtherVersion) {
      RFrame refuse;
      refuse.kind = EFrameKind::Refuse;
      refuse.reason = ERefuse::OtherVersion;
      SendFrame(peer, refuse, true);
      server_->Disconnect(peer);
      std::erase_if(pending_, [&](const RPending& p) { return p.peer == peer; });
    } else if (result == EDecode::Ok && frame.kind == EFrameKind::Join) {
      HostJoin(peer, frame);
    }
    return;
  }
  if (result != EDecode::Ok || frame.kind != EFrameKind::Data) return;
  // The sender is who the connection says, whatever the frame claims.
  frame.from = sender->id;
  frame.mess.player = sender->id;
  // Relayed frames keep the guarantee the sender chose.
  const uint32_t senderPeer = sender->peer;
  if (frame.to == 0) {
    Deliver(frame.mess);
    for (const RMplayPlayer& p : others_)
      if (p.peer != senderPeer) SendFrame(p.peer, frame, reliable);
  } else if (frame.to == ownId_) {
    Deliver(frame.mess);
  } else if (const RMplayPlayer* to = PlayerWithId(frame.to); to && to->peer != senderPeer) {
    SendFrame(to->peer, frame, reliable);
  }
}

void CMultiplayer::HostJoin(uint32_t peer, const RFrame& frame) {
  std::erase_if(pending_, [&](const RPending& p) { return p.peer == peer; });
  RFrame answer;
  answer.kind = EFrameKind::Refuse;
  if (frame.app != config.app || frame.instance != instance_) {
    answer.reason = ERefuse::OtherSession;
  } else if (others_.size() + 1 >= static_cast<size_t>(maxPlayers_)) {
    answer.reason = ERefuse::Full;
  } else {
    const RMplayPlayer joined{nextId_++, frame.name, peer};
    answer.kind = EFrameKind::Welcome;
    answer.id = joined.id;
    answer.list.push_back({ownId_, ownName_});
    for (const RMplayPlayer& p : others_) answer.list.push_back({p.id, p.name});
    RFrame added;
    added.kind = EFrameKind::PlayerAdd;
    added.id = joined.id;
    added.name = joined.name;
    for (const RMplayPlayer& p : others_) SendFrame(p.peer, added, true);
    others_.push_back(joined);
    SendFrame(peer, answer, true);
    return;
  }
  SendFrame(peer, answer, true);
  server_->Disconnect(peer);
}

void CMultiplayer::HostLeave(uint32_t peer) {
  std::erase_if(pending_, [&](const RPending& p) { return p.peer == peer; });
  const RMplayPlayer* left = PlayerAtPeer(peer);
  if (!left) return;
  RFrame removed;
  removed.kind = EFrameKind::PlayerRemove;
  removed.id = left->id;
  std::erase_if(others_, [&](const RMplayPlayer& p) { return p.peer == peer; });
  for (const RMplayPlayer& p : others_) SendFrame(p.peer, removed, true);
}

void CMultiplayer::ServeClient() {
  platform::NetEvent event;
  for (int i = 0; i < kServiceBudget && client_ && !hostGone_ && client_->Service(event); ++i) {
    if (event.kind == platform::NetEventKind::Disconnect) {
      // No one takes the host's place: the session is gone, and with it the other players.
      hostGone_ = true;
      others_.clear();
    } else if (event.kind == platform::NetEventKind::Receive) {
      RFrame frame;
      if (DecodeFrame(event.data, frame) == EDecode::Ok) ClientFrame(frame);
    }
  }
}

void CMultiplayer::ClientFrame(const RFrame& frame) {
  switch (frame.kind) {
    case EFrameKind::PlayerAdd:
      if (frame.id != 0 && frame.id != ownId_ && !PlayerWithId(frame.id) && others_.size() < kMaxPlayers)
        others_.push_back({frame.id, frame.name, 0});
      break;
    case EFrameKind::PlayerRemove:
      std::erase_if(others_, [&](const RMplayPlayer& p) { return p.id == frame.id; });
      break;
    case EFrameKind::Data:
      if (frame.from != 0) Deliver(frame.mess);  // sender 0 would be the service's own notice
      break;
    default: break;
  }
}

void ServiceMultiplayer() {
  if (TheGame().Has<RMultiplayerState>()) Multiplayer().Service();
}
