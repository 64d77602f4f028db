// The high-score table: ten entries per game in the user's registry store under
// "\Software\Korvex\Scores\" + game id as scrambled texts, the insertion rule, the runner-drawn
// table window with name entry, and drawing the table in the room.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct RScoreEntry {
  std::string name;
  int32_t score = 0;
};

// The text form of an entry for a game id (letters 'A'..'P'); names are cut to 240 units.
std::string EncodeScoreEntry(const RScoreEntry& e, int32_t gameId);
// Whatever the text, at most 256 bytes are decoded and nothing is read out of bounds.
RScoreEntry DecodeScoreEntry(std::string_view text, int32_t gameId);

RScoreEntry ReadScoreEntry(int32_t rank);  // ranks outside 1..10: (nobody text, 0)
void WriteScoreEntry(int32_t rank, const RScoreEntry& e);
void InsertScore(const std::string& name, int32_t score);
void ClearScores();
void ShowScoreTable(int32_t score);
// The table window as the modal loop runs it, for driving it with input events: making it
// enters the score (as ShowScoreTable does), and Result() is the name typed ("no place" when
// the score earned none). Finishing it writes the name.
class TModalDialog;
std::unique_ptr<TModalDialog> MakeScoreWindow(int32_t score);
void FinishScoreWindow(TModalDialog& window);
void DrawScoreTable(double x1, double y1, double x2, double y2);
