// The pop-up menu, the colour chooser and the file and folder browser.
#include "runner/dialogs/Dialog_Choosers.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "runner/base/Support_Path.h"
#include "runner/dialogs/Dialog_Modal.h"
#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Support_Message.h"

namespace {
constexpr int32_t kEnter = 13, kEscape = 27, kUp = 38, kDown = 40, kBackspace = 8, kTab = 9;
const RDialogFont kFont{"Arial", 9, 0, 0, 0};
constexpr int32_t kRow = 18;
constexpr int32_t kShownRows = 20;  // a longer list scrolls

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == sep)
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

bool Number(const std::string& s, int64_t& v) {
  const char* b = s.data();
  const char* e = b + s.size();
  if (b != e && *b == '+') ++b;
  auto r = std::from_chars(b, e, v);
  return b != e && r.ec == std::errc() && r.ptr == e;
}

// A list of rows: the menu and the browser share it.
class TListDialog : public TModalDialog {
 public:
  std::vector<std::string> rows;
  std::string title;
  int32_t width = 160, x = -1, y = -1, selected = -1, hover = -1;
  bool cancelled = false;

  TBitmap32 Paint() override {
    const int32_t top = title.empty() ? 0 : kRow + 4;
    const int32_t shown = Shown();
    TBitmap32 bm(width, Height(), dialog::Pixel(0xF0F0F0));
    dialog::FrameBox(bm, 0, 0, bm.Width(), bm.Height(), dialog::Pixel(0x808080));
    if (!title.empty()) {
      dialog::FillBox(bm, 1, 1, width - 2, kRow + 2, dialog::Pixel(0x804000));
      dialog::DrawLine(bm, kFont, dialog::FromUtf8(title), 6, 3, 0xFFFFFF);
    }
    for (int32_t i = 0; i < shown; ++i) {
      const int32_t r = first + i;
      const int32_t ry = top + 2 + i * kRow;
      if (rows[static_cast<size_t>(r)] == "-") {
        dialog::FillBox(bm, 4, ry + kRow / 2, width - 8, 1, dialog::Pixel(0xA0A0A0));
        continue;
      }
      if (r == selected) dialog::FillBox(bm, 2, ry, width - 4, kRow, dialog::Pixel(0xD77800));
      std::u32string text;
      for (char32_t c : dialog::FromUtf8(rows[static_cast<size_t>(r)]))
        if (c != U'&') text.push_back(c);
      dialog::DrawLine(bm, kFont, text, 8, ry + 2, r == selected ? 0xFFFFFF : 0);
    }
    return bm;
  }
  void Place(int32_t w, int32_t h, int32_t& left, int32_t& top) override {
    left = x >= 0 ? x : (w - width) / 2;
    top = y >= 0 ? y : h / 4;
  }
  void Input(const platform::RInputEvent& e) override {
    using platform::EInput;
    const int32_t top = title.empty() ? 2 : kRow + 6;
    if (e.kind == EInput::KeyDown) {
      if (e.a == kEscape) Cancel();
      else if (e.a == kEnter) Choose();
      else if (e.a == kUp) Move(-1);
      else if (e.a == kDown) Move(1);
      else Key(e.a);
    } else if (e.kind == EInput::Char) {
      Typed(static_cast<char32_t>(e.a));
    } else if (e.kind == EInput::MouseMove) {
      mx = e.a;
      my = e.b;
      // The row under the mouse, counted from the first row scrolled into view.
      const int32_t row = e.b >= top ? (e.b - top) / kRow : -1;
      hover = (e.a >= 0 && e.a < width && row >= 0 && row < Shown()) ? first + row : -1;
      if (hover >= 0 && rows[static_cast<size_t>(hover)] != "-") selected = hover;
    } else if (e.kind == EInput::WheelUp || e.kind == EInput::WheelDown) {
      first = std::clamp(first + (e.kind == EInput::WheelUp ? -3 : 3), 0, LastFirst());
    } else if (e.kind == EInput::MouseUp && e.a == 1) {
      // A click on an item chooses it, one outside the window closes it; a separator or the
      // title takes no click.
      if (hover >= 0 && rows[static_cast<size_t>(hover)] != "-") Choose();
      else if (mx < 0 || my < 0 || mx >= width || my >= Height()) Cancel();
    }
  }
  int32_t Shown() const { return std::min<int32_t>(static_cast<int32_t>(rows.size()), kShownRows); }
  int32_t Height() const { return (title.empty() ? 0 : kRow + 4) + Shown() * kRow + 4; }
  int32_t LastFirst() const { return std::max(0, static_cast<int32_t>(rows.size()) - Shown()); }
  // Scrolls the selected row into view.
  void Reveal() {
    if (selected >= 0 && selected < first) first = selected;
    if (selected >= first + Shown()) first = selected - Shown() + 1;
    first = std::clamp(first, 0, LastFirst());
  }
  virtual void Choose() { done = true; }
  virtual void Cancel() {
    cancelled = true;
    done = true;
  }
  virtual void Key(int32_t) {}
  virtual void Typed(char32_t) {}
  void Move(int32_t d) {
    const int32_t n = static_cast<int32_t>(rows.size());
    // With nothing selected yet, down starts at the first row and up at the last.
    if (selected < 0 && d < 0) selected = n;
    for (int32_t i = 0; i < n; ++i) {
      selected = ((selected + d) % n + n) % n;
      if (rows[static_cast<size_t>(selected)] != "-") break;
    }
    Reveal();
  }
  int32_t first = 0;  // the row at the top of the list
  int32_t mx = -1, my = -1;
};

class TMenu final : public TListDialog {
 public:
  explicit TMenu(const std::string& text) {
    rows = Split(text, '|');
    int32_t w = 60;
    for (const std::string& r : rows) w = std::max(w, dialog::TextWidth(kFont, dialog::FromUtf8(r)) + 24);
    width = w;
  }
  int32_t Item() const {
    if (cancelled || selected < 0) return -1;
    int32_t n = 0;
    for (int32_t i = 0; i < selected; ++i)
      if (rows[static_cast<size_t>(i)] != "-") ++n;
    return n;
  }
  // Only the keys of letters and digits are hot keys; other key codes (F1 is 112, 'p') are not.
  void Key(int32_t vk) override {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) HotKey(static_cast<char32_t>(vk));
  }
  void Typed(char32_t c) override { HotKey(c); }
  void HotKey(char32_t c) {
    // The letter after "&", else the first letter of the item.
    for (size_t i = 0; i < rows.size(); ++i) {
      const std::string& r = rows[i];
      if (r == "-" || r.empty()) continue;
      const size_t amp = r.find('&');
      const char h = amp != std::string::npos && amp + 1 < r.size() ? r[amp + 1] : r[0];
      if (std::toupper(static_cast<unsigned char>(h)) == std::toupper(static_cast<int>(c & 0xFF)) && c < 256) {
        selected = static_cast<int32_t>(i);
        done = true;
        return;
      }
    }
  }
  void Answer(const std::string& a) override {
    int64_t v = 0;
    if (Number(a, v)) {
      int32_t n = 0;
      for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] == "-") continue;
        if (n++ == v) {
          selected = static_cast<int32_t>(i);
          done = true;
          return;
        }
      }
    } else if (a.size() == 1) {
      HotKey(static_cast<unsigned char>(a[0]));
      if (done) return;
    }
    Cancel();
  }
  void Unanswered() override { Cancel(); }
  std::string Describe() const override {
    std::string d = "Menu:";
    for (const std::string& r : rows) d += " " + r;
    return d;
  }
  std::string Result() const override { return std::to_string(Item()); }
};

// 48 basic colours as the system's colour dialog offers them (game colours, 0x00BBGGRR).
constexpr int32_t kBasicColors[48] = {
    0x8080FF, 0x80FFFF, 0x80FF80, 0x80FF00, 0xFFFF80, 0xFF8000, 0xC080FF, 0xFF80FF, 0x0000FF, 0x00FFFF,
    0x00FF80, 0x40FF00, 0xFFFF00, 0xC08000, 0xC08080, 0xFF00FF, 0x404080, 0x4080FF, 0x00FF00, 0x808000,
    0x804000, 0xFF8080, 0x400080, 0x8000FF, 0x000080, 0x0080FF, 0x008000, 0x408000, 0xFF0000, 0xA00000,
    0x800080, 0xFF0080, 0x000040, 0x004080, 0x004000, 0x404000, 0x800000, 0x400000, 0x400040, 0x800040,
    0x000000, 0x008080, 0x408080, 0x808080, 0x808040, 0xC0C0C0, 0x400040, 0xFFFFFF};

// The colour chooser: the basic colours, the colour being made with its red, green and blue
// fields (Tab goes from field to field, digits type into the one with the focus), and OK and
// Cancel. The arrow keys walk the basic colours.
class TColorDialog final : public TModalDialog {
 public:
  static constexpr int32_t kCellW = 24, kCellH = 20, kW = 8 * kCellW + 16, kH = 6 * kCellH + 70;
  static constexpr int32_t kLowerY = 8 + 6 * kCellH + 6, kFieldY = kLowerY, kButtonY = kLowerY + 22;
  static constexpr int32_t kFieldX = 56, kFieldStep = 50, kFieldW = 32, kFieldH = 18;
  static constexpr int32_t kOkX = 56, kCancelX = 124, kButtonW = 60, kButtonH = 22;
  static constexpr int32_t kLeft = 37, kRight = 39;

  explicit TColorDialog(int32_t start) : color_(start & 0xFFFFFF), start_(start) {
    for (int32_t i = 0; i < 48; ++i)
      if (kBasicColors[i] == color_) cell_ = i;
  }
  TBitmap32 Paint() override {
    TBitmap32 bm(kW, kH, dialog::Pixel(0xF0F0F0));
    dialog::FrameBox(bm, 0, 0, kW, kH, dialog::Pixel(0x808080));
    for (int32_t i = 0; i < 48; ++i) {
      const int32_t x = 8 + (i % 8) * kCellW, y = 8 + (i / 8) * kCellH;
      dialog::FillBox(bm, x, y, 20, 16, dialog::Pixel(kBasicColors[i]));
      dialog::FrameBox(bm, x, y, 20, 16, dialog::Pixel(i == cell_ ? 0 : 0xA0A0A0));
      if (i == cell_) dialog::FrameBox(bm, x - 1, y - 1, 22, 18, dialog::Pixel(0));
    }
    dialog::FillBox(bm, 8, kLowerY, 40, 40, dialog::Pixel(color_));
    dialog::FrameBox(bm, 8, kLowerY, 40, 40, dialog::Pixel(0));
    static constexpr char32_t kNames[3] = {U'R', U'G', U'B'};
    for (int32_t f = 0; f < 3; ++f) {
      const int32_t x = kFieldX + f * kFieldStep;
      dialog::DrawLine(bm, kFont, std::u32string(1, kNames[f]), x, kFieldY + 2, 0);
      dialog::FillBox(bm, x + 12, kFieldY, kFieldW, kFieldH, dialog::Pixel(0xFFFFFF));
      dialog::FrameBox(bm, x + 12, kFieldY, kFieldW, kFieldH, dialog::Pixel(f == focus_ ? 0xD77800 : 0x808080));
      dialog::DrawLine(bm, kFont, dialog::FromUtf8(std::to_string(Channel(f))), x + 15, kFieldY + 2, 0);
    }
    Button(bm, kOkX, U"OK");
    Button(bm, kCancelX, U"Cancel");
    return bm;
  }
  void Place(int32_t w, int32_t h, int32_t& left, int32_t& top) override {
    left = (w - kW) / 2;
    top = (h - kH) / 2;
  }
  void Input(const platform::RInputEvent& e) override {
    using platform::EInput;
    if (e.kind == EInput::KeyDown) {
      if (e.a == kEscape) Close(-1);
      else if (e.a == kEnter) Close(color_);
      else if (e.a == kTab) focus_ = focus_ >= 2 ? -1 : focus_ + 1;
      else if (e.a == kLeft) Walk(cell_ < 0 ? 0 : cell_ - 1);
      else if (e.a == kRight) Walk(cell_ < 0 ? 0 : cell_ + 1);
      else if (e.a == kUp) Walk(cell_ < 0 ? 0 : cell_ - 8);
      else if (e.a == kDown) Walk(cell_ < 0 ? 0 : cell_ + 8);
    } else if (e.kind == EInput::Char && focus_ >= 0) {
      int32_t v = Channel(focus_);
      if (e.a == kBackspace) v /= 10;
      else if (e.a >= '0' && e.a <= '9') v = std::min(255, v * 10 + (e.a - '0'));
      else return;
      SetChannel(focus_, v);
    } else if (e.kind == EInput::MouseMove) {
      mx_ = e.a, my_ = e.b;
    } else if (e.kind == EInput::MouseUp && e.a == 1) {
      Click();
    }
  }
  void Answer(const std::string& a) override {
    int64_t v = 0;
    if (Number(a, v) && v >= 0 && v <= 0xFFFFFF) return Close(static_cast<int32_t>(v));
    if (a == "ok" || a == "enter") return Close(color_);
    Close(-1);
  }
  void Unanswered() override { Close(-1); }
  std::string Describe() const override { return "Colour: " + std::to_string(start_); }
  std::string Result() const override { return std::to_string(result_); }
  int32_t Chosen() const { return result_; }

 private:
  void Button(TBitmap32& bm, int32_t x, std::u32string_view caption) const {
    dialog::FillBox(bm, x, kButtonY, kButtonW, kButtonH, dialog::Pixel(0xE1E1E1));
    dialog::FrameBox(bm, x, kButtonY, kButtonW, kButtonH, dialog::Pixel(0x808080));
    dialog::DrawTextBox(bm, kFont, caption, x, kButtonY, kButtonW, kButtonH, 1, true, 0, false);
  }
  static bool In(int32_t px, int32_t py, int32_t x, int32_t y, int32_t w, int32_t h) {
    return px >= x && py >= y && px < x + w && py < y + h;
  }
  void Click() {
    if (In(mx_, my_, 8, 8, 8 * kCellW, 6 * kCellH)) return Walk((my_ - 8) / kCellH * 8 + (mx_ - 8) / kCellW);
    for (int32_t f = 0; f < 3; ++f)
      if (In(mx_, my_, kFieldX + f * kFieldStep + 12, kFieldY, kFieldW, kFieldH)) {
        focus_ = f;
        return;
      }
    if (In(mx_, my_, kOkX, kButtonY, kButtonW, kButtonH)) return Close(color_);
    if (In(mx_, my_, kCancelX, kButtonY, kButtonW, kButtonH)) return Close(-1);
  }
  void Walk(int32_t cell) {
    cell_ = std::clamp(cell, 0, 47);
    color_ = kBasicColors[cell_];
  }
  int32_t Channel(int32_t f) const { return (color_ >> (8 * f)) & 0xFF; }
  void SetChannel(int32_t f, int32_t v) {
    color_ = (color_ & ~(0xFF << (8 * f))) | (v << (8 * f));
    cell_ = -1;
    for (int32_t i = 0; i < 48; ++i)
      if (kBasicColors[i] == color_) cell_ = i;
  }
  void Close(int32_t r) {
    result_ = r;
    done = true;
  }
  int32_t color_, start_, result_ = -1, mx_ = -1, my_ = -1;
  int32_t cell_ = -1;   // the basic colour chosen, -1 when the colour is none of them
  int32_t focus_ = -1;  // the field typed into: 0 red, 1 green, 2 blue, -1 none
};

class TBrowser final : public TListDialog {
 public:
  TBrowser(EBrowse kind, const std::string& caption, const std::string& filter, const std::string& name,
           const std::string& start)
      : kind_(kind), name_(name) {
    caption_ = caption;
    width = 360;
    filters_ = ParseFileFilter(filter);
    // The folder is kept whole, so that [..] can go above a folder given relative to the current
    // one.
    char buf[4096];
    const std::string cwd = getcwd(buf, sizeof buf) ? buf : "/";
    dir_ = start.empty() ? cwd : NormaliseGamePath(start);
    if (dir_.empty() || dir_[0] != '/') dir_ = cwd == "/" ? "/" + dir_ : cwd + "/" + dir_;
    while (dir_.size() > 1 && dir_.back() == '/') dir_.pop_back();
    root_ = dir_;
    List();
  }
  void List() {
    rows.clear();
    entries_.clear();
    // The tree of a folder browser ends at the folder it started in.
    if (kind_ != EBrowse::Tree || dir_ != root_) {
      rows.push_back("[..]");
      entries_.push_back({"..", true});
    }
    std::vector<std::pair<std::string, bool>> found;
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n == "." || n == ".." || n[0] == '.') continue;
        struct stat st {};
        const bool isDir = stat(In(n).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        if (isDir || (!Folders() && MatchesFilter(Patterns(), n))) found.push_back({n, isDir});
      }
      closedir(d);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
      if (a.second != b.second) return a.second;
      return strcasecmp(a.first.c_str(), b.first.c_str()) < 0;
    });
    for (const auto& f : found) {
      rows.push_back(f.second ? "[" + f.first + "]" : f.first);
      entries_.push_back(f);
    }
    if (kind_ != EBrowse::Open) {
      rows.push_back(Folders() ? "<this folder>" : "<save as " + name_ + ">");
      entries_.push_back({"", false});
    }
    selected = 0;
    first = 0;
    // The caption and the folder looked in, by its name as a folder list shows it.
    const std::string folder = dir_ == "/" ? dir_ : dir_.substr(dir_.find_last_of('/') + 1);
    title = caption_.empty() ? folder : caption_ + ": " + folder;
    // With more than one filter, Tab goes to the next; the title names the one in use.
    if (filters_.size() > 1) title += " (" + filters_[filter_].first + ")";
  }
  void Choose() override {
    if (selected < 0 || selected >= static_cast<int32_t>(entries_.size())) return;
    const auto& [n, isDir] = entries_[static_cast<size_t>(selected)];
    if (n.empty()) return Finish(Folders() ? dir_ : In(name_));
    if (isDir) {
      dir_ = n == ".." ? Parent(dir_) : In(n);
      return List();
    }
    Finish(In(n));
  }
  void Key(int32_t vk) override {
    if (vk == kBackspace && kind_ == EBrowse::Save && !name_.empty()) name_.pop_back(), List();
    if (vk == kTab && !filters_.empty()) {
      filter_ = (filter_ + 1) % filters_.size();
      List();
    }
  }
  void Typed(char32_t c) override {
    if (kind_ == EBrowse::Save && c >= 32 && c != U'/') {
      name_ += dialog::ToUtf8(std::u32string(1, c));
      List();
      selected = static_cast<int32_t>(rows.size()) - 1;
      Reveal();
    }
  }
  void Answer(const std::string& a) override {
    if (a.empty() || a == "esc") return Cancel();
    const std::string path = NormaliseGamePath(a);
    if (path.empty()) return Cancel();
    Finish(path[0] == '/' ? path : In(path));
  }
  void Unanswered() override { Cancel(); }
  std::string Describe() const override { return std::string(Folders() ? "Folder" : "File") + ": " + name_; }
  std::string Result() const override { return result_; }
  const std::string& Chosen() const { return result_; }

 private:
  bool Folders() const { return kind_ == EBrowse::Folder || kind_ == EBrowse::Tree; }
  // A name in the folder looked in.
  std::string In(const std::string& name) const { return dir_ == "/" ? "/" + name : dir_ + "/" + name; }
  static std::string Parent(const std::string& d) {
    const size_t slash = d.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? "/" : d.substr(0, slash);
  }
  void Finish(const std::string& path) {
    result_ = path;
    done = true;
  }
  EBrowse kind_;
  std::string caption_, name_, dir_, root_, result_;
  std::vector<std::pair<std::string, std::vector<std::string>>> filters_;
  size_t filter_ = 0;  // the filter in use
  std::vector<std::string> Patterns() const { return filters_.empty() ? std::vector<std::string>{} : filters_[filter_].second; }
  std::vector<std::pair<std::string, bool>> entries_;
};
}  // namespace

std::vector<std::string> MenuItems(const std::string& text) {
  std::vector<std::string> items;
  for (const std::string& r : Split(text, '|'))
    if (r != "-") items.push_back(r);
  return items;
}

int32_t ShowMenu(const std::string& text, int32_t x, int32_t y) {
  TMenu menu(text);
  menu.x = x;
  menu.y = y;
  RunModal(menu);
  return menu.Item();
}

int32_t ChooseColor(int32_t start) {
  TColorDialog d(start);
  RunModal(d);
  return d.Chosen();
}

std::unique_ptr<TModalDialog> MakeMenuWindow(const std::string& text, int32_t x, int32_t y) {
  auto menu = std::make_unique<TMenu>(text);
  menu->x = x;
  menu->y = y;
  return menu;
}
std::unique_ptr<TModalDialog> MakeColorWindow(int32_t start) { return std::make_unique<TColorDialog>(start); }
std::unique_ptr<TModalDialog> MakeBrowserWindow(EBrowse kind, const std::string& caption, const std::string& filter,
                                                const std::string& name, const std::string& start) {
  return std::make_unique<TBrowser>(kind, caption, filter, name, start);
}

std::vector<std::pair<std::string, std::vector<std::string>>> ParseFileFilter(const std::string& filter) {
  std::vector<std::pair<std::string, std::vector<std::string>>> out;
  const std::vector<std::string> parts = Split(filter, '|');
  for (size_t i = 0; i + 1 < parts.size(); i += 2) out.push_back({parts[i], Split(parts[i + 1], ';')});
  return out;
}

bool MatchesFilter(const std::vector<std::string>& patterns, const std::string& name) {
  if (patterns.empty()) return true;
  for (std::string p : patterns) {
    while (!p.empty() && p.front() == ' ') p.erase(p.begin());
    if (p == "*.*" || p == "*") return true;
    if (fnmatch(p.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0) return true;
  }
  return false;
}

std::string BrowseFiles(EBrowse kind, const std::string& caption, const std::string& filter, const std::string& name,
                        const std::string& start) {
  char buf[4096];
  const std::string cwd = getcwd(buf, sizeof buf) ? buf : "";
  TBrowser b(kind, caption, filter, name, start);
  RunModal(b);
  if (!cwd.empty() && chdir(cwd.c_str()) != 0) {
    // The folder went away meanwhile; the game goes on where it is.
  }
  return b.Chosen();
}
