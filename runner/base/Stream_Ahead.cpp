// Inflating a stream's compressed blocks ahead of its reader (see the header).
#include "runner/base/Stream_Ahead.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

#include "runner/base/Support_Stream.h"

CInflateAhead::CInflateAhead(CStream& stream, const std::vector<int32_t>& offsets, int workers) : stream_(&stream) {
  const uint8_t* bytes = std::as_const(stream).Data();
  const int64_t size = stream.GetSize();
  for (int32_t at : offsets) {
    if (entries_.size() >= kMaxBlocks) break;
    if (at < 0 || int64_t{at} + 4 > size) continue;
    if (!entries_.empty() && at <= entries_.back().at) continue;  // kept in increasing order for the lookup
    int32_t n;
    std::memcpy(&n, bytes + at, 4);
    if (n <= 0 || int64_t{at} + 4 + n > size) continue;
    entries_.push_back(Entry{at, n, EState::Queued, {}});
  }
  if (entries_.empty() || workers <= 0) {
    stream_ = nullptr;
    return;
  }
  stream.ahead_.Drop();  // one at a time
  stream.ahead_.to = this;
  for (int k = 0; k < workers; ++k) {
    try {
      workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      break;  // fewer workers, or none: the reader does the rest
    }
  }
}

CInflateAhead::~CInflateAhead() {
  Stop();
}

int CInflateAhead::DefaultWorkers() {
  const int processors = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(processors - 1, 0, 3);
}

void CInflateAhead::Release(Entry& e) {
  if (e.state == EState::Done) held_ -= static_cast<int64_t>(e.content.size());
  e.content = {};
  e.state = EState::Taken;
}

void CInflateAhead::Work() {
  const uint8_t* bytes = std::as_const(*stream_).Data();
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || (next_ < entries_.size() && held_ < kWindow); });
    if (stopping_) return;
    Entry& e = entries_[next_++];
    if (e.state != EState::Queued) continue;
    e.state = EState::Running;
    lock.unlock();
    std::vector<uint8_t> content;
    bool ok = false;
    try {
      ok = InflateWhole(bytes + e.at + 4, static_cast<size_t>(e.size), kBlockCap, content);
    } catch (...) {
      ok = false;  // out of memory here: the reader tries again and meets it itself
    }
    lock.lock();
    if (ok) {
      held_ += static_cast<int64_t>(content.size());
      e.content = std::move(content);
      e.state = EState::Done;
    } else {
      e.state = EState::Failed;
    }
    if (static_cast<size_t>(&e - entries_.data()) < reached_ && e.state == EState::Done) Release(e);
    changed_.notify_all();
  }
}

bool CInflateAhead::Take(int32_t at, int64_t limit, std::vector<uint8_t>& content) {
  std::unique_lock lock(mutex_);
  if (stream_ == nullptr) return false;
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), at,
                                   [](const Entry& e, int32_t offset) { return e.at < offset; });
  if (it == entries_.end() || it->at != at) return false;
  const auto k = static_cast<size_t>(it - entries_.begin());
  // Blocks the reader went past are not wanted any more.
  for (size_t j = reached_; j < k; ++j)
    if (entries_[j].state == EState::Queued || entries_[j].state == EState::Done) Release(entries_[j]);
  // The block waited for is not behind the reader yet, or its worker would let it go.
  reached_ = std::max(reached_, k);
  Entry& e = *it;
  changed_.wait(lock, [&e] { return e.state != EState::Running; });
  reached_ = std::max(reached_, k + 1);
  bool got = false;
  if (e.state == EState::Done && static_cast<int64_t>(e.content.size()) <= limit) {
    held_ -= static_cast<int64_t>(e.content.size());
    content = std::move(e.content);
    e.content = {};
    e.state = EState::Taken;
    got = true;
  } else {
    Release(e);  // queued: the reader inflates it now; failed or too large: again, as it always would
  }
  changed_.notify_all();
  return got;
}

void CInflateAhead::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& t : workers_)
    if (t.joinable()) t.join();
  workers_.clear();
  std::lock_guard lock(mutex_);
  for (Entry& e : entries_) Release(e);
  if (stream_ != nullptr && stream_->ahead_.to == this) stream_->ahead_.to = nullptr;
  stream_ = nullptr;
}
