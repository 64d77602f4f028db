// Inflating a stream's compressed blocks ahead of its reader, on a few threads, while the reader
// goes on with what it has. The reader still reads every block itself through ReadStreamC: a
// block that was inflated ahead, whole and within the cap the reader applies, is handed over as
// it is; any other (not reached yet, refused, damaged, too large for the reader's cap now) is
// inflated on the reader's thread exactly as without this, so contents, errors, their messages
// and their order are the same. Workers touch no game state, only the stream's bytes, which no
// one may change while this lives (every changing operation of the stream stops it first).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class CStream;

class CInflateAhead {
 public:
  // offsets: where the reader is expected to find blocks (a 32-bit length, then zlib data), in
  // the order it reads them. Offsets that do not frame a block inside the stream are dropped.
  // workers 0 (or a single processor) inflates nothing ahead.
  CInflateAhead(CStream& stream, const std::vector<int32_t>& offsets, int workers = DefaultWorkers());
  ~CInflateAhead();
  CInflateAhead(const CInflateAhead&) = delete;
  CInflateAhead& operator=(const CInflateAhead&) = delete;

  // Hands over the content of the block whose length field is at `at` when it was inflated
  // ahead and is at most limit bytes; false leaves the block to the caller.
  bool Take(int32_t at, int64_t limit, std::vector<uint8_t>& content);

  // Stops the workers and lets go of the stream; Take then finds nothing.
  void Stop();

  // One less than the processors, at most 3: the reader keeps one for itself.
  static int DefaultWorkers();

  // A worker leaves blocks above this to the reader, so a few workers never hold more than a
  // few of these at once; and it starts no block while the blocks done but not yet taken hold
  // the window or more (a block larger than the window still goes when nothing is held).
  static constexpr int64_t kBlockCap = int64_t{64} << 20;
  static constexpr int64_t kWindow = int64_t{4} << 20;
  // Blocks found past this many are left to the reader.
  static constexpr size_t kMaxBlocks = size_t{1} << 16;

 private:
  enum class EState : uint8_t { Queued, Running, Done, Failed, Taken };
  struct Entry {
    int32_t at;
    int32_t size;  // compressed bytes after the length field
    EState state = EState::Queued;
    std::vector<uint8_t> content;
  };

  void Work();
  void Release(Entry& e);  // under the lock

  CStream* stream_;
  std::vector<Entry> entries_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;     // first entry no worker has looked at
  size_t reached_ = 0;  // entries below this are behind the reader
  int64_t held_ = 0;    // bytes of blocks done and not taken
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};
