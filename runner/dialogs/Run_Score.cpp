// The high-score table: storage, insertion, the table window and drawing it in the room.
#include "runner/dialogs/Run_Score.h"

#include <algorithm>

#include "platform/registry/RegistryStore.h"
#include "runner/base/Option_Main.h"
#include "runner/code/Variable_Class.h"
#include "runner/dialogs/Dialog_Modal.h"
#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Dialog_State.h"
#include "runner/functions/File_State.h"
#include "runner/graphics/Background_Class.h"
#include "runner/graphics/Graphics_Text.h"
#include "runner/graphics/Sprite_Main.h"

namespace {
constexpr size_t kMaxName = 240, kDecodeBytes = 256;
constexpr int32_t kCaption = 22;  // the caption bar of the window with a border

std::string Key() { return "\\Software\\Korvex\\Scores\\" + std::to_string(GameId()); }
std::string ValueName(int32_t rank) { return "Rank" + std::to_string(rank); }
platform::RegistryStore& Store() { return RegistryStoreOf(Files()); }

class TScoreWindow final : public TModalDialog {
 public:
  explicit TScoreWindow(int32_t score) : score_(score) {
    for (int32_t r = 1; r <= 10; ++r) entries_[r - 1] = ReadScoreEntry(r);
    for (int32_t r = 1; r <= 10; ++r)
      if (entries_[r - 1].score < score) {
        newRank_ = r;
        for (int32_t k = 10; k > r; --k) entries_[k - 1] = entries_[k - 2];
        for (int32_t k = 10; k > r; --k) WriteScoreEntry(k, entries_[k - 1]);
        entries_[r - 1] = RScoreEntry{"", score};
        WriteScoreEntry(r, entries_[r - 1]);
        break;
      }
  }
  TBitmap32 Paint() override {
    const RScoreSettings& s = DialogsState().score;
    const int32_t top = s.border ? kCaption : 0;
    TBitmap32 bm(360, 400 + top, dialog::Pixel(s.windowColor));
    if (s.border) {
      dialog::FillBox(bm, 0, 0, 360, top, dialog::Pixel(0x804000));
      dialog::DrawLine(bm, RDialogFont{"Arial", 9, 0xFFFFFF, 1, 0}, dialog::FromUtf8(s.caption), 6, 3, 0xFFFFFF);
      dialog::FrameBox(bm, 0, 0, 360, 400 + top, dialog::Pixel(0x808080));
      dialog::DrawCloseBox(bm, 360);
    }
    if (Backgrounds().Exists(s.background))
      dialog::DrawPicture(bm, Backgrounds().Get(s.background)->i_bitmap, 0, top, 360, 400);
    for (int32_t n = 1; n <= 10; ++n) {
      const bool isNew = n == newRank_;
      RDialogFont f{s.fontName, s.fontSize, isNew ? s.newColor : s.otherColor, s.fontStyle, 0};
      const int32_t y = top + 48 + 32 * (n - 1);
      const RScoreEntry& e = entries_[n - 1];
      const std::string name = isNew ? typed_ + "|" : e.name;
      dialog::DrawTextBox(bm, f, dialog::FromUtf8(std::to_string(n) + "."), 8, y, 33, 25, 2, true, f.color, false);
      dialog::DrawTextBox(bm, f, dialog::FromUtf8(name), 48, y, 209, 25, 0, true, f.color, false);
      dialog::DrawTextBox(bm, f, dialog::FromUtf8(std::to_string(e.score)), 264, y, 73, 25, 2, true, f.color, false);
    }
    dialog::DrawTextBox(bm, RDialogFont{"Arial", 7, s.otherColor, 0, 0}, dialog::FromUtf8(s.closeText), 112, top + 376,
                        116, 13, 0, false, s.otherColor, false);
    return bm;
  }
  // The window is centred with its caption bar, when it has one.
  void Place(int32_t w, int32_t h, int32_t& left, int32_t& top) override {
    left = (w - 360) / 2;
    top = (h - 400 - (DialogsState().score.border ? kCaption : 0)) / 2;
  }
  void Input(const platform::RInputEvent& e) override {
    if (e.kind == platform::EInput::KeyDown && (e.a == 27 || e.a == 13)) done = true;
    // With a border, the close button of its caption bar closes it too.
    if (e.kind == platform::EInput::MouseMove) onClose_ = DialogsState().score.border && dialog::OnCloseBox(e.a, e.b, 360);
    if (e.kind == platform::EInput::MouseDown && e.a == 1) closeDown_ = onClose_;
    if (e.kind == platform::EInput::MouseUp && e.a == 1 && closeDown_ && onClose_) done = true;
    if (e.kind != platform::EInput::Char || newRank_ < 0) return;
    if (e.a == 8) {
      if (!typed_.empty()) {
        std::u32string t = dialog::FromUtf8(typed_);
        t.pop_back();
        typed_ = dialog::ToUtf8(t);
      }
    } else if (e.a >= 32 && dialog::ToUtf16(typed_).size() < kMaxName) {
      typed_ += dialog::ToUtf8(std::u32string(1, static_cast<char32_t>(e.a)));
    }
  }
  void Answer(const std::string& a) override {
    if (newRank_ >= 0) typed_ = a;
    done = true;
  }
  void Unanswered() override { done = true; }
  std::string Describe() const override { return DialogsState().score.caption + ": " + std::to_string(score_); }
  std::string Result() const override { return newRank_ < 0 ? "no place" : typed_; }
  void Finish() {
    if (newRank_ >= 0) WriteScoreEntry(newRank_, RScoreEntry{typed_, ReadScoreEntry(newRank_).score});
  }

 private:
  int32_t score_, newRank_ = -1;
  bool onClose_ = false, closeDown_ = false;
  RScoreEntry entries_[10];
  std::string typed_;
};
}  // namespace

std::string EncodeScoreEntry(const RScoreEntry& e, int32_t gameId) {
  std::u16string name = dialog::ToUtf16(e.name);
  if (name.size() > kMaxName) name.resize(kMaxName);
  std::vector<uint8_t> b(16 + name.size(), 0);
  const auto s = static_cast<uint32_t>(e.score);
  for (int i = 0; i < 4; ++i) b[static_cast<size_t>(i)] = static_cast<uint8_t>(s >> (8 * i));
  for (size_t k = 0; k < name.size(); ++k) b[16 + k] = static_cast<uint8_t>(name[k] & 0xFF);
  std::string text;
  const auto id = static_cast<uint32_t>(gameId);
  for (size_t i = 0; i < b.size(); ++i) {
    const auto v = static_cast<uint8_t>(b[i] + (i + 1) + id);
    text += static_cast<char>('A' + v / 16);
    text += static_cast<char>('A' + v % 16);
  }
  return text;
}

RScoreEntry DecodeScoreEntry(std::string_view text, int32_t gameId) {
  const size_t pairs = std::min(text.size() / 2, kDecodeBytes);
  std::vector<uint8_t> b(pairs);
  const auto id = static_cast<uint32_t>(gameId);
  for (size_t i = 0; i < pairs; ++i) {
    // Letters outside A..P still decode arithmetically, modulo 256.
    const auto e = static_cast<uint8_t>((static_cast<unsigned char>(text[2 * i]) - 'A') * 16 +
                                        (static_cast<unsigned char>(text[2 * i + 1]) - 'A'));
    b[i] = static_cast<uint8_t>(e - (i + 1) - id);
  }
  RScoreEntry out;
  uint32_t s = 0;
  for (size_t i = 0; i < 4 && i < pairs; ++i) s |= static_cast<uint32_t>(b[i]) << (8 * i);
  out.score = static_cast<int32_t>(s);
  std::u32string name;
  for (size_t i = 16; i < pairs; ++i) name.push_back(b[i]);
  out.name = dialog::ToUtf8(name);
  return out;
}

RScoreEntry ReadScoreEntry(int32_t rank) {
  const RScoreEntry nobody{DialogsState().score.nobody, 0};
  if (rank < 1 || rank > 10) return nobody;
  platform::RegistryStore& store = Store();
  if (!store.KeyExists(platform::RegistryHive::CurrentUser, Key())) return nobody;
  const auto v = store.Read(platform::RegistryHive::CurrentUser, Key(), ValueName(rank));
  if (!v || v->type != platform::RegistryValue::Type::String) return nobody;
  return DecodeScoreEntry(v->data, GameId());
}

void WriteScoreEntry(int32_t rank, const RScoreEntry& e) {
  platform::RegistryValue v;
  v.type = platform::RegistryValue::Type::String;
  v.data = EncodeScoreEntry(e, GameId());
  Store().Write(platform::RegistryHive::CurrentUser, Key(), ValueName(rank), v);
}

void InsertScore(const std::string& name, int32_t score) {
  RScoreEntry entries[10];
  for (int32_t r = 1; r <= 10; ++r) entries[r - 1] = ReadScoreEntry(r);
  for (int32_t r = 1; r <= 10; ++r)
    if (entries[r - 1].score < score) {
      for (int32_t k = 10; k > r; --k) WriteScoreEntry(k, entries[k - 2]);
      WriteScoreEntry(r, RScoreEntry{name, score});
      return;
    }
}

void ClearScores() {
  for (int32_t r = 1; r <= 10; ++r) WriteScoreEntry(r, RScoreEntry{DialogsState().score.nobody, 0});
}

void ShowScoreTable(int32_t score) {
  TScoreWindow w(score);
  RunModal(w);
  w.Finish();
}

std::unique_ptr<TModalDialog> MakeScoreWindow(int32_t score) { return std::make_unique<TScoreWindow>(score); }
void FinishScoreWindow(TModalDialog& window) { static_cast<TScoreWindow&>(window).Finish(); }

void DrawScoreTable(double x1, double y1, double x2, double y2) {
  const int32_t h = RoundToInt32((y2 - y1) / 10);
  const int32_t w = RoundToInt32(x2 - x1);
  const int32_t x = RoundToInt32(x1), y = RoundToInt32(y1);
  for (int32_t n = 1; n <= 10; ++n) {
    const RScoreEntry e = ReadScoreEntry(n);
    const std::u16string name = TextCodes(e.name);
    const std::u16string score = TextCodes(std::to_string(e.score));
    Text_Draw(x, y + (n - 1) * h, name, -1, -1);
    Text_Draw(x + w - Text_Width(score, -1), y + (n - 1) * h, score, -1, -1);
  }
}
