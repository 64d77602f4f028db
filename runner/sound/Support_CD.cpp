// The CD operations as command sequences. Every operation that reads the disc asks first
// whether there is one, and the ones that switch to milliseconds switch back to tracks,
// minutes, seconds and frames before they end.
#include "runner/sound/Support_CD.h"

#include <cstdint>
#include <limits>

#include "runner/sound/Media_Player.h"

namespace {
constexpr size_t kReplyChars = 19;  // a reply buffer of 20 characters with its terminator
}

int64_t CdNumber(std::string_view text) {
  int64_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') continue;
    if (n > (std::numeric_limits<int64_t>::max() - 9) / 10) return std::numeric_limits<int64_t>::max();
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string TCdAudio::Ask(std::string_view command) {
  std::string reply = send_ ? send_(command) : std::string();
  if (reply.size() > kReplyChars) reply.resize(kReplyChars);
  return reply;
}

void TCdAudio::Init() {
  Ask("close cdaudio");
  Ask("open cdaudio");
}

bool TCdAudio::Present() {
  Ask("open cdaudio");
  return Ask("status cdaudio media present") == "true";
}

int64_t TCdAudio::NumberOfTracks() {
  Ask("open cdaudio");
  if (!Present()) return 0;
  return CdNumber(Ask("status cdaudio number of tracks"));
}

bool TCdAudio::Playing() {
  Ask("open cdaudio");
  if (!Present()) return false;
  return Ask("status cdaudio mode") == "playing";
}

bool TCdAudio::Paused() {
  Ask("open cdaudio");
  if (!Present()) return false;
  if (Ask("status cdaudio mode") == "paused") return true;
  return Ask("status cdaudio mode") == "stopped";
}

int64_t TCdAudio::Track() {
  Ask("open cdaudio");
  Ask("set cdaudio time format tmsf wait");
  if (!Present()) return 0;
  return CdNumber(Ask("status cdaudio position").substr(0, 2));
}

int64_t TCdAudio::Length() {
  Ask("open cdaudio");
  Ask("set cdaudio time format ms wait");
  const int64_t length = Present() ? CdNumber(Ask("status cdaudio length wait")) : 0;
  Ask("set cdaudio time format tmsf wait");
  return length;
}

int64_t TCdAudio::TrackLength(int64_t n) {
  Ask("open cdaudio");
  if (n <= 0 || n > NumberOfTracks()) return 0;
  Ask("set cdaudio time format milliseconds wait");
  const int64_t length = Present() ? CdNumber(Ask("status cdaudio length track " + std::to_string(n))) : 0;
  Ask("set cdaudio time format tmsf wait");
  return length;
}

int64_t TCdAudio::Position() {
  Ask("open cdaudio");
  Ask("set cdaudio time format milliseconds wait");
  const int64_t position = Present() ? CdNumber(Ask("status cdaudio position")) : 0;
  Ask("set cdaudio time format tmsf wait");
  return position;
}

int64_t TCdAudio::TrackPosition() {
  Ask("open cdaudio");
  Ask("set cdaudio time format tmsf wait");
  if (!Present()) return 0;
  const std::string p = Ask("status cdaudio position");  // tt:mm:ss:ff
  auto part = [&](size_t from) { return from < p.size() ? CdNumber(std::string_view(p).substr(from, 2)) : 0; };
  return part(3) * 60000 + part(6) * 1000;
}

void TCdAudio::Play(int64_t first, int64_t last) {
  if (!Present()) return;
  Ask("set cdaudio time format tmsf wait");
  if (last < first) return;
  if (first <= 0) first = 1;
  // "to" is the start of the track after the last, so the last track plays to its end.
  if (last < NumberOfTracks())
    Ask("play cdaudio from " + std::to_string(first) + " to " + std::to_string(last + 1));
  else
    Ask("play cdaudio from " + std::to_string(first));
}

void TCdAudio::Stop() {
  if (Present()) Ask("stop cdaudio");
}

void TCdAudio::Pause() {
  if (Present()) Ask("pause cdaudio");
}

void TCdAudio::Resume() {
  if (Present()) Ask("play cdaudio");
}

void TCdAudio::SetPosition(int64_t ms) {
  if (!Present()) return;
  Ask("set cdaudio time format milliseconds wait");
  const std::string to = std::to_string(ms);
  Ask(Playing() ? "play cdaudio from " + to : "seek cdaudio to " + to);
  Ask("set cdaudio time format tmsf");
}

void TCdAudio::SetTrackPosition(int64_t ms) {
  if (!Present() || Track() <= 0) return;
  const std::string t =
      std::to_string(Track()) + ":" + std::to_string(ms / 60000) + ":" + std::to_string((ms % 60000) / 1000);
  Ask("set cdaudio time format tmsf wait");
  Ask(Playing() ? "play cdaudio from " + t : "seek cdaudio to " + t);
  Ask("set cdaudio time format tmsf");
}

void TCdAudio::OpenDoor() {
  Ask("open cdaudio");
  Ask("set cdaudio door open");
}

void TCdAudio::CloseDoor() {
  Ask("open cdaudio");
  Ask("set cdaudio door closed");
}

TCdAudio SystemCd() {
  return TCdAudio([](std::string_view command) { return MediaCommand(command); });
}
