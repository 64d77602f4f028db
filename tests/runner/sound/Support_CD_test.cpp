// CD audio as command sequences: a scripted drive answers the status commands and records
// every command, so each operation's exact sequence and reading of replies is checked; and
// the machine's own drive, which is absent.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "runner/code/Code_Function.h"
#include "runner/functions/Function_Families.h"
#include "runner/sound/Support_CD.h"

namespace {

struct Drive {
  std::map<std::string, std::vector<std::string>> replies;  // each command's replies, in turn
  std::vector<std::string> sent;
  TCdAudio Cd() {
    return TCdAudio([this](std::string_view c) {
      sent.emplace_back(c);
      auto it = replies.find(std::string(c));
      if (it == replies.end() || it->second.empty()) return std::string();
      std::string r = it->second.front();
      if (it->second.size() > 1) it->second.erase(it->second.begin());
      return r;
    });
  }
  // A disc of tracks, in mode, at position (tmsf) or ms.
  static Drive Disc(int tracks, const char* mode, const char* position = "03:02:05:00") {
    Drive d;
    d.replies["status cdaudio media present"] = {"true"};
    d.replies["status cdaudio number of tracks"] = {std::to_string(tracks)};
    d.replies["status cdaudio mode"] = {mode};
    d.replies["status cdaudio position"] = {position};
    return d;
  }
  // The commands after the last presence check.
  std::vector<std::string> Tail(size_t n) const {
    return std::vector<std::string>(sent.end() - static_cast<long>(std::min(n, sent.size())), sent.end());
  }
};

using Cmds = std::vector<std::string>;
const std::string kOpen = "open cdaudio", kAsk = "status cdaudio media present";

TEST(CdAudio, NumbersAreTheDigitsOfTheReply) {
  EXPECT_EQ(CdNumber("05"), 5);
  EXPECT_EQ(CdNumber("no digits"), 0);
  EXPECT_EQ(CdNumber("1:2:3"), 123);
  EXPECT_EQ(CdNumber(""), 0);
  EXPECT_EQ(CdNumber("99999999999999999999999"), INT64_MAX);
}

TEST(CdAudio, PlaySendsTheRangeOfTracks) {
  const struct {
    int first, last, tracks;
    Cmds tail;  // after the presence check and the time format
  } rows[] = {
      {3, 2, 12, {"set cdaudio time format tmsf wait"}},
      {0, 1, 12, {"play cdaudio from 1 to 2"}},
      {2, 99, 12, {"play cdaudio from 2"}},
      {4, 12, 12, {"play cdaudio from 4"}},
      {4, 11, 12, {"play cdaudio from 4 to 12"}},
  };
  for (const auto& row : rows) {
    Drive d = Drive::Disc(row.tracks, "stopped");
    d.Cd().Play(row.first, row.last);
    EXPECT_EQ(d.sent[0], kOpen);
    EXPECT_EQ(d.sent[1], kAsk);
    EXPECT_EQ(d.sent[2], "set cdaudio time format tmsf wait");
    EXPECT_EQ(d.Tail(row.tail.size()), row.tail) << row.first << " " << row.last;
  }
}

TEST(CdAudio, QueriesReadTheirReplies) {
  Drive d = Drive::Disc(12, "paused", "03:02:05:00");
  d.replies["status cdaudio length wait"] = {"3600000"};
  d.replies["status cdaudio length track 2"] = {"180500"};
  TCdAudio cd = d.Cd();
  EXPECT_TRUE(cd.Present());
  EXPECT_EQ(cd.NumberOfTracks(), 12);
  EXPECT_FALSE(cd.Playing());
  EXPECT_TRUE(cd.Paused());
  EXPECT_EQ(cd.Track(), 3);
  EXPECT_EQ(cd.TrackPosition(), 2 * 60000 + 5 * 1000);
  EXPECT_EQ(cd.Length(), 3600000);
  EXPECT_EQ(d.Tail(1), Cmds{"set cdaudio time format tmsf wait"});
  EXPECT_EQ(cd.TrackLength(2), 180500);
  EXPECT_EQ(d.Tail(3), (Cmds{kAsk, "status cdaudio length track 2", "set cdaudio time format tmsf wait"}));
  // Out of range: no length is asked for.
  for (int n : {0, 13, -1}) {
    d.sent.clear();
    EXPECT_EQ(cd.TrackLength(n), 0);
    for (const std::string& c : d.sent) EXPECT_EQ(c.find("length"), std::string::npos) << n;
  }
}

TEST(CdAudio, StoppedCountsAsPaused) {
  Drive d = Drive::Disc(1, "stopped");
  d.replies["status cdaudio mode"] = {"playing", "stopped"};
  EXPECT_TRUE(d.Cd().Paused());
  Drive e = Drive::Disc(1, "playing");
  EXPECT_FALSE(e.Cd().Paused());
}

TEST(CdAudio, TrackPositionsAreNotPadded) {
  Drive d = Drive::Disc(12, "stopped", "03:00:00:00");
  d.Cd().SetTrackPosition(9000);
  EXPECT_EQ(d.Tail(2), (Cmds{"seek cdaudio to 3:0:9", "set cdaudio time format tmsf"}));
  Drive p = Drive::Disc(12, "playing", "03:00:00:00");
  p.Cd().SetPosition(1234);
  EXPECT_EQ(p.Tail(2), (Cmds{"play cdaudio from 1234", "set cdaudio time format tmsf"}));
}

TEST(CdAudio, WithoutADiscOnlyTheUnguardedCommandsAreSent) {
  Drive d;  // no reply at all: no disc
  TCdAudio cd = d.Cd();
  cd.Play(1, 2);
  cd.Stop();
  cd.Pause();
  cd.Resume();
  cd.SetPosition(10);
  cd.SetTrackPosition(10);
  for (const std::string& c : d.sent) EXPECT_TRUE(c == kOpen || c == kAsk) << c;
  d.sent.clear();
  cd.OpenDoor();
  cd.CloseDoor();
  cd.Init();
  EXPECT_EQ(d.sent, (Cmds{kOpen, "set cdaudio door open", kOpen, "set cdaudio door closed", "close cdaudio", kOpen}));
}

}  // namespace
