// The pop-up menu, the colour chooser and the file and folder browser.
#include "runner/dialogs/Dialog_Choosers.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "runner/dialogs/Dialog_Modal.h"
#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Support_Message.h"

namespace {
constexpr int32_t kEnter = 13, kEscape = 27, kUp = 38, kDown = 40, kBackspace = 8;
const RDialogFont kFont{"Arial", 9, 0, 0, 0};
constexpr int32_t kRow = 18;

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
    const int32_t shown = std::min<int32_t>(static_cast<int32_t>(rows.size()), 20);
    TBitmap32 bm(width, top + shown * kRow + 4, dialog::Pixel(0xF0F0F0));
    dialog::FrameBox(bm, 0, 0, bm.Width(), bm.Height(), dialog::Pixel(0x808080));
    if (!title.empty()) {
      dialog::FillBox(bm, 1, 1, width - 2, kRow + 2, dialog::Pixel(0x804000));
      dialog::DrawLine(bm, kFont, dialog::FromUtf8(title), 6, 3, 0xFFFFFF);
    }
    const int32_t first = std::max(0, std::min(selected, static_cast<int32_t>(rows.size()) - 1) - shown + 1);
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
      hover = (e.a >= 0 && e.a < width && e.b >= top) ? (e.b - top) / kRow : -1;
      if (hover >= 0 && hover < static_cast<int32_t>(rows.size()) && rows[static_cast<size_t>(hover)] != "-") selected = hover;
    } else if (e.kind == EInput::MouseUp && e.a == 1) {
      if (hover >= 0 && hover < static_cast<int32_t>(rows.size())) Choose();
      else Cancel();
    }
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
    for (int32_t i = 0; i < n; ++i) {
      selected = ((selected + d) % n + n) % n;
      if (rows[static_cast<size_t>(selected)] != "-") return;
    }
  }
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
  void Key(int32_t vk) override { HotKey(static_cast<char32_t>(vk)); }
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

class TColorDialog final : public TModalDialog {
 public:
  explicit TColorDialog(int32_t start) : color_(start & 0xFFFFFF), start_(start) {}
  TBitmap32 Paint() override {
    TBitmap32 bm(8 * 24 + 16, 6 * 20 + 70, dialog::Pixel(0xF0F0F0));
    dialog::FrameBox(bm, 0, 0, bm.Width(), bm.Height(), dialog::Pixel(0x808080));
    for (int32_t i = 0; i < 48; ++i) {
      const int32_t x = 8 + (i % 8) * 24, y = 8 + (i / 8) * 20;
      dialog::FillBox(bm, x, y, 20, 16, dialog::Pixel(kBasicColors[i]));
      dialog::FrameBox(bm, x, y, 20, 16, dialog::Pixel(kBasicColors[i] == color_ ? 0 : 0xA0A0A0));
    }
    const int32_t y = 8 + 6 * 20 + 6;
    dialog::FillBox(bm, 8, y, 40, 40, dialog::Pixel(color_));
    dialog::FrameBox(bm, 8, y, 40, 40, dialog::Pixel(0));
    const std::string rgb = "R " + std::to_string(color_ & 0xFF) + "  G " + std::to_string((color_ >> 8) & 0xFF) + "  B " +
                            std::to_string((color_ >> 16) & 0xFF);
    dialog::DrawLine(bm, kFont, dialog::FromUtf8(rgb), 56, y + 12, 0);
    return bm;
  }
  void Place(int32_t w, int32_t h, int32_t& left, int32_t& top) override {
    left = (w - (8 * 24 + 16)) / 2;
    top = (h - (6 * 20 + 70)) / 2;
  }
  void Input(const platform::RInputEvent& e) override {
    using platform::EInput;
    if (e.kind == EInput::KeyDown && e.a == kEscape) Close(-1);
    else if (e.kind == EInput::KeyDown && e.a == kEnter) Close(color_);
    else if (e.kind == EInput::MouseMove) mx_ = e.a, my_ = e.b;
    else if (e.kind == EInput::MouseUp && e.a == 1) {
      const int32_t cx = (mx_ - 8) / 24, cy = (my_ - 8) / 20;
      if (mx_ >= 8 && my_ >= 8 && cx < 8 && cy < 6) color_ = kBasicColors[cy * 8 + cx];
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
  void Close(int32_t r) {
    result_ = r;
    done = true;
  }
  int32_t color_, start_, result_ = -1, mx_ = -1, my_ = -1;
};

class TBrowser final : public TListDialog {
 public:
  TBrowser(EBrowse kind, const std::string& caption, const std::string& filter, const std::string& name,
           const std::string& start)
      : kind_(kind), name_(name) {
    title = caption;
    width = 360;
    const auto pairs = ParseFileFilter(filter);
    if (!pairs.empty()) patterns_ = pairs.front().second;
    char buf[4096];
    dir_ = start.empty() ? (getcwd(buf, sizeof buf) ? buf : ".") : start;
    List();
  }
  void List() {
    rows.clear();
    entries_.clear();
    rows.push_back("[..]");
    entries_.push_back({"..", true});
    std::vector<std::pair<std::string, bool>> found;
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n == "." || n == ".." || n[0] == '.') continue;
        struct stat st {};
        const bool isDir = stat((dir_ + "/" + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        if (isDir || (kind_ != EBrowse::Folder && MatchesFilter(patterns_, n))) found.push_back({n, isDir});
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
      rows.push_back(kind_ == EBrowse::Folder ? "<this folder>" : "<save as " + name_ + ">");
      entries_.push_back({"", false});
    }
    selected = 0;
    title = dir_;
  }
  void Choose() override {
    if (selected < 0 || selected >= static_cast<int32_t>(entries_.size())) return;
    const auto& [n, isDir] = entries_[static_cast<size_t>(selected)];
    if (n.empty()) return Finish(kind_ == EBrowse::Folder ? dir_ : dir_ + "/" + name_);
    if (isDir) {
      dir_ = n == ".." ? Parent(dir_) : dir_ + "/" + n;
      return List();
    }
    Finish(dir_ + "/" + n);
  }
  void Key(int32_t vk) override {
    if (vk == kBackspace && kind_ == EBrowse::Save && !name_.empty()) name_.pop_back(), List();
  }
  void Typed(char32_t c) override {
    if (kind_ == EBrowse::Save && c >= 32 && c != U'/') {
      name_ += dialog::ToUtf8(std::u32string(1, c));
      List();
      selected = static_cast<int32_t>(rows.size()) - 1;
    }
  }
  void Answer(const std::string& a) override {
    if (a.empty() || a == "esc") return Cancel();
    Finish(a[0] == '/' ? a : dir_ + "/" + a);
  }
  void Unanswered() override { Cancel(); }
  std::string Describe() const override { return std::string(kind_ == EBrowse::Folder ? "Folder" : "File") + ": " + name_; }
  std::string Result() const override { return result_; }
  const std::string& Chosen() const { return result_; }

 private:
  static std::string Parent(const std::string& d) {
    const size_t slash = d.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? "/" : d.substr(0, slash);
  }
  void Finish(const std::string& path) {
    result_ = path;
    done = true;
  }
  EBrowse kind_;
  std::string name_, dir_, result_;
  std::vector<std::string> patterns_;
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
