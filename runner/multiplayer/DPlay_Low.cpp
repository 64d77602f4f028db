// Payloads, frames and the message queue. The decoder reads through a cursor that refuses to
// pass the end, and every count and length is checked against what remains before it is used,
// so no frame can make it read outside the bytes or allocate more than the frame holds.
#include "runner/multiplayer/DPlay_Low.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint8_t kMagic[4] = {'K', 'V', 'M', 'P'};

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
  void U8(uint8_t v) { out_.push_back(v); }
  void U16(uint16_t v) { U8(static_cast<uint8_t>(v)), U8(static_cast<uint8_t>(v >> 8)); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Bytes(const uint8_t* p, size_t n) { out_.insert(out_.end(), p, p + n); }
  void Guid(const TGuid& g) { Bytes(g.data(), g.size()); }
  void Name(std::string_view s) {
    s = s.substr(0, kMaxNameBytes);
    U16(static_cast<uint16_t>(s.size()));
    Bytes(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  }

 private:
  std::vector<uint8_t>& out_;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : b_(bytes) {}
  bool ok() const { return ok_; }
  size_t left() const { return b_.size() - pos_; }
  bool Need(size_t n) {
    if (!ok_ || left() < n) ok_ = false;
    return ok_;
  }
  uint8_t U8() { return Need(1) ? b_[pos_++] : 0; }
  uint16_t U16() {
    if (!Need(2)) return 0;
    const uint16_t v = static_cast<uint16_t>(b_[pos_] | (b_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    if (!Need(4)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(b_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return v;
  }
  void Guid(TGuid& g) {
    if (!Need(g.size())) return;
    std::memcpy(g.data(), b_.data() + pos_, g.size());
    pos_ += g.size();
  }
  void Name(std::string& s) {
    const uint16_t n = U16();
    if (n > kMaxNameBytes || !Need(n)) {
      ok_ = false;
      return;
    }
    s.assign(reinterpret_cast<const char*>(b_.data() + pos_), n);
    pos_ += n;
  }
  std::span<const uint8_t> Rest() {
    std::span<const uint8_t> r = b_.subspan(pos_);
    pos_ = b_.size();
    return r;
  }

 private:
  std::span<const uint8_t> b_;
  size_t pos_ = 0;
  bool ok_ = true;
};
}  // namespace

void PackPayload(const TMess& mess, std::vector<uint8_t>& out) {
  Writer w(out);
  w.U8(mess.ismessage ? 1 : 0);
  w.U32(static_cast<uint32_t>(mess.messid));
  if (mess.val.IsString()) {
    const std::string_view s = mess.val.str().substr(0, kMaxMessString);
    w.U8(1);
    w.U32(static_cast<uint32_t>(s.size()));
    w.Bytes(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  } else {
    w.U8(0);
    const double d = mess.val.val();
    uint8_t raw[8];
    std::memcpy(raw, &d, 8);  // little-endian machines only, as the rest of the runner
    w.Bytes(raw, 8);
  }
}

bool UnpackPayload(std::span<const uint8_t> bytes, TMess& mess) {
  Reader r(bytes);
  const uint8_t ismessage = r.U8();
  const uint32_t messid = r.U32();
  const uint8_t flag = r.U8();
  if (!r.ok() || ismessage > 1 || flag > 1) return false;
  if (flag == 0) {
    if (r.left() != 8) return false;
    double d;
    std::memcpy(&d, r.Rest().data(), 8);
    mess.val.SetReal(d);
  } else {
    const uint32_t len = r.U32();
    if (!r.ok() || len > kMaxMessString || r.left() != len) return false;
    const std::span<const uint8_t> text = r.Rest();
    mess.val.SetString(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
  }
  mess.ismessage = ismessage == 1;
  mess.messid = static_cast<int32_t>(messid);
  return true;
}

void EncodeFrame(const RFrame& f, std::vector<uint8_t>& out) {
  out.clear();
  Writer w(out);
  w.Bytes(kMagic, 4);
  w.U8(kWireVersion);
  w.U8(static_cast<uint8_t>(f.kind));
  switch (f.kind) {
    case EFrameKind::FindAsk: w.Guid(f.app); break;
    case EFrameKind::FindAnswer:
      w.Guid(f.app), w.Guid(f.instance), w.U16(f.port), w.U16(f.players), w.U16(f.maxPlayers), w.Name(f.name);
      break;
    case EFrameKind::Join: w.Guid(f.app), w.Guid(f.instance), w.Name(f.name); break;
    case EFrameKind::Welcome: {
      const size_t n = std::min<size_t>(f.list.size(), kMaxPlayers);
      w.U32(f.id), w.U16(static_cast<uint16_t>(n));
      for (size_t i = 0; i < n; ++i) w.U32(f.list[i].id), w.Name(f.list[i].name);
      break;
    }
    case EFrameKind::Refuse: w.U8(static_cast<uint8_t>(f.reason)); break;
    case EFrameKind::PlayerAdd: w.U32(f.id), w.Name(f.name); break;
    case EFrameKind::PlayerRemove: w.U32(f.id); break;
    case EFrameKind::Data:
      w.U32(f.from), w.U32(f.to);
      PackPayload(f.mess, out);
      break;
  }
}

EDecode DecodeFrame(std::span<const uint8_t> bytes, RFrame& f) {
  if (bytes.size() < kFrameHead || std::memcmp(bytes.data(), kMagic, 4) != 0) return EDecode::Foreign;
  if (bytes[4] != kWireVersion) return EDecode::OtherVersion;
  if (bytes.size() > kMaxPacket) return EDecode::Bad;
  Reader r(bytes.subspan(kFrameHead));
  f.kind = static_cast<EFrameKind>(bytes[5]);
  switch (f.kind) {
    case EFrameKind::FindAsk: r.Guid(f.app); break;
    case EFrameKind::FindAnswer:
      r.Guid(f.app), r.Guid(f.instance);
      f.port = r.U16(), f.players = r.U16(), f.maxPlayers = r.U16();
      r.Name(f.name);
      break;
    case EFrameKind::Join: r.Guid(f.app), r.Guid(f.instance), r.Name(f.name); break;
    case EFrameKind::Welcome: {
      f.id = r.U32();
      const uint16_t n = r.U16();
      if (n > kMaxPlayers) return EDecode::Bad;
      f.list.clear();
      for (uint16_t i = 0; i < n && r.ok(); ++i) {
        RWirePlayer p;
        p.id = r.U32();
        r.Name(p.name);
        f.list.push_back(std::move(p));
      }
      break;
    }
    case EFrameKind::Refuse: {
      const uint8_t reason = r.U8();
      if (reason < 1 || reason > 3) return EDecode::Bad;
      f.reason = static_cast<ERefuse>(reason);
      break;
    }
    case EFrameKind::PlayerAdd: f.id = r.U32(), r.Name(f.name); break;
    case EFrameKind::PlayerRemove: f.id = r.U32(); break;
    case EFrameKind::Data: {
      f.from = r.U32(), f.to = r.U32();
      if (!r.ok() || r.left() > kMaxPayload) return EDecode::Bad;
      f.mess = TMess{};
      if (!UnpackPayload(r.Rest(), f.mess)) return EDecode::Bad;
      f.mess.player = f.from;
      break;
    }
    default: return EDecode::Bad;
  }
  // A frame is exactly its fields: trailing bytes mean it is not what it claims to be.
  return r.ok() && r.left() == 0 ? EDecode::Ok : EDecode::Bad;
}

bool TMessQueue::Add(const TMess& mess) {
  if (count_ >= kCapacity) Compact();
  if (count_ >= kCapacity) return false;
  entries_[count_] = mess;
  read_[count_] = 0;
  ++count_;
  return true;
}

void TMessQueue::Compact() {
  int32_t n = 0;
  for (int32_t i = first_; i < count_; ++i) {
    if (read_[i]) continue;
    if (n != i) entries_[n] = std::move(entries_[i]);
    read_[n] = 0;
    ++n;
  }
  // Entries past the new end keep no strings alive.
  for (int32_t i = n; i < count_; ++i) entries_[i].val.SetReal(0.0);
  count_ = n;
  first_ = 0;
}

bool TMessQueue::Take(int64_t filter, TMess& current) {
  for (int32_t i = first_; i < count_; ++i) {
    if (read_[i] || !Matches(filter, entries_[i].player)) continue;
    current = entries_[i];
    read_[i] = 1;
    while (first_ < count_ && read_[first_]) ++first_;
    return true;
  }
  return false;
}

int32_t TMessQueue::Count(int64_t filter) const {
  int32_t n = 0;
  for (int32_t i = first_; i < count_; ++i)
    if (!read_[i] && Matches(filter, entries_[i].player)) ++n;
  return n;
}

void TMessQueue::Clear(int64_t filter) {
  for (int32_t i = first_; i < count_; ++i)
    if (Matches(filter, entries_[i].player)) read_[i] = 1;
  Compact();
}
