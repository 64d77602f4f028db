// Fuzz target for the multiplayer frame decoder: the whole input is one frame as it would
// arrive from the network, and also one bare payload.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "runner/multiplayer/DPlay_Low.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  RFrame frame;
  if (DecodeFrame(bytes, frame) == EDecode::Ok) {
    // A frame is exactly its fields: what was accepted encodes back to the same bytes.
    std::vector<uint8_t> again;
    EncodeFrame(frame, again);
    FUZZ_CHECK(again == std::vector<uint8_t>(data, data + size));
    FUZZ_CHECK(size <= kMaxPacket);
    if (frame.kind == EFrameKind::Data) {
      FUZZ_CHECK(size <= kMaxFrame);
      FUZZ_CHECK(!frame.mess.val.IsString() || frame.mess.val.str().size() <= kMaxMessString);
    }
  }
  TMess mess;
  if (UnpackPayload(bytes, mess)) {
    std::vector<uint8_t> again;
    PackPayload(mess, again);
    FUZZ_CHECK(again == std::vector<uint8_t>(data, data + size));
  }
  return 0;
}
