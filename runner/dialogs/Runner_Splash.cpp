// Splash screens and the game information window.
#include "runner/dialogs/Runner_Splash.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/clock/Clock.h"
#include "platform/media/VideoPlayer.h"
#include "runner/base/Runner_Process.h"
#include "runner/base/Support_Path.h"
#include "runner/base/Support_Stream.h"
#include "runner/dialogs/Dialog_Modal.h"
#include "runner/dialogs/Dialog_Paint.h"
#include "runner/dialogs/Dialog_Scroll.h"
#include "runner/dialogs/Dialog_State.h"
#include "runner/dialogs/Support_Rtf.h"
#include "runner/graphics/Graphics_Window.h"
#include "runner/sound/Sound_DirectX.h"

namespace {
constexpr int32_t kEscape = 27;
constexpr int64_t kMaxTextFile = 16 << 20;  // larger text files are not shown
constexpr size_t kMaxVideoName = 127;        // names this long or longer are refused
// Unattended, a video is played through once as fast as it decodes; past this many pictures it
// is taken as never ending.
constexpr int32_t kMaxUnattendedFrames = 100000;
// The text box of a text splash, and the information window's Arial 16 pixels high, in black.
const RRtfStyle kTextBoxStyle{"Arial", 10, 0};
const RRtfStyle kInfoStyle{"Arial", 12, 0};

bool ReadFileText(const std::string& file, std::string& out) {
  struct stat st {};
  if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxTextFile) return false;
  std::ifstream f(file, std::ios::binary);
  if (!f) return false;
  std::stringstream ss;
  ss << f.rdbuf();
  out = ss.str();
  return true;
}

bool FileExists(const std::string& file) {
  struct stat st {};
  return stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The value of a digit in the base, -1 for none.
int32_t Digit(char c, int32_t base) {
  int32_t d = -1;
  if (c >= '0' && c <= '9') d = c - '0';
  else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  return d < base ? d : -1;
}

}  // namespace

// The text of a local web page: its tags removed, a line break for each that ends a line or a
// block, what scripts, styles and the title hold left out, blanks run together as a browser
// does, and the common entities read.
std::string WebPageText(const std::string& html) {
  std::string out;
  auto lower = [](std::string t) {
    for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return t;
  };
  auto blank = [&] {
    if (!out.empty() && out.back() != ' ' && out.back() != '\n') out += ' ';
  };
  auto lineEnd = [&] {
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (!out.empty() && out.back() != '\n') out += '\n';
  };
  size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    if (c == '<') {
      const size_t end = html.find('>', i);
      if (end == std::string::npos) break;
      const std::string tag = lower(html.substr(i + 1, end - i - 1));
      i = end + 1;
      const size_t from = !tag.empty() && tag[0] == '/' ? 1 : 0;
      size_t to = from;
      while (to < tag.size() && std::isalnum(static_cast<unsigned char>(tag[to]))) ++to;
      const std::string name = tag.substr(from, to - from);
      if (from == 0 && (name == "script" || name == "style" || name == "title")) {
        const std::string close = "</" + name;
        i = static_cast<size_t>(std::search(html.begin() + static_cast<std::ptrdiff_t>(i), html.end(), close.begin(),
                                            close.end(),
                                            [](char a, char b) {
                                              return std::tolower(static_cast<unsigned char>(a)) == b;
                                            }) -
                                html.begin());
        continue;
      }
      static const char* const kBreaking[] = {"br", "p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "li", "tr",
                                              "table", "ul", "ol", "blockquote", "pre", "hr", "body"};
      for (const char* b : kBreaking)
        if (name == b) lineEnd();
      continue;
    }
    if (c == '&') {
      static const std::pair<const char*, const char*> kEntities[] = {
          {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&nbsp;", " "}};
      bool known = false;
      for (const auto& [name, text] : kEntities)
        if (html.compare(i, std::char_traits<char>::length(name), name) == 0) {
          out += text;
          i += std::char_traits<char>::length(name);
          known = true;
          break;
        }
      if (known) continue;
      if (i + 2 < html.size() && html[i + 1] == '#') {
        const bool hex = html[i + 2] == 'x' || html[i + 2] == 'X';
        size_t k = i + (hex ? 3 : 2);
        const size_t digits = k;
        uint32_t code = 0;
        for (; k < html.size() && k - digits < 8; ++k) {
          const int32_t d = Digit(html[k], hex ? 16 : 10);
          if (d < 0) break;
          code = code * (hex ? 16 : 10) + static_cast<uint32_t>(d);
        }
        if (k > digits && k < html.size() && html[k] == ';') {
          const bool character = code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
          out += dialog::ToUtf8(std::u32string(1, character ? static_cast<char32_t>(code) : U'\uFFFD'));
          i = k + 1;
          continue;
        }
      }
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank();
    } else {
      out += c;
    }
    ++i;
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
  return out;
}

namespace {

// A splash or the information: a picture or a text on a panel of the splash colour, ended by
// the close button, Escape, a click or the delay as the settings say.
class TSplash final : public TModalDialog {
 public:
  TSplash(const RSplashSettings& s, int32_t delay) : s_(s) {
    if (delay > 0) deadline_ = platform::NowMicros() + int64_t{delay} * 1000;
  }
  TBitmap32 image;
  std::unique_ptr<platform::media::TVideoPlayer> player;
  platform::media::TVideoPlayer* video = nullptr;
  bool loop = false;
  RRtfDocument text;
  int32_t textBack = 0xE1FFFF;  // the tooltip colour of the text box
  bool scrollBar = false;        // the information window's text scrolls
  std::string describe;

  TBitmap32 Paint() override {
    if (!Framed()) return PaintClient();
    return dialog::FrameWithCaption(PaintClient(), dialog::FromUtf8(s_.caption));
  }

  TBitmap32 PaintClient() {
    TBitmap32 bm(w_, h_, dialog::Pixel(s_.color));
    if (!image.Empty()) {
      const double sc = s_.scale > 0 ? s_.scale
                                     : std::min(static_cast<double>(w_) / image.Width(), static_cast<double>(h_) / image.Height());
      const auto pw = static_cast<int32_t>(std::lround(image.Width() * sc));
      const auto ph = static_cast<int32_t>(std::lround(image.Height() * sc));
      dialog::DrawPicture(bm, image, (w_ - pw) / 2, (h_ - ph) / 2, pw, ph);
    } else {
      dialog::FillBox(bm, 0, 0, w_, h_, dialog::Pixel(textBack));
      const int32_t textW = std::max(1, w_ - 8 - (scrollBar ? dialog::TScrollBar::kWidth : 0));
      const int32_t at = bar_.Position();
      const int32_t content = dialog::DrawRichText(bm, text, 4, 4, textW, h_ - 8, at);
      if (scrollBar) {
        bar_.Measure(content, h_ - 8, h_);
        // A window grown, or new text, may have moved the end above the position drawn.
        if (bar_.Position() != at) return PaintClient();
        bar_.Paint(bm, w_ - dialog::TScrollBar::kWidth, 0);
      }
    }
    if (s_.closeButton) {
      dialog::FillBox(bm, w_ - 24, 0, 24, 24, dialog::Pixel(0xC0C0C0));
      dialog::FrameBox(bm, w_ - 24, 0, 24, 24, dialog::Pixel(0x404040));
      for (int32_t k = 6; k < 18; ++k) {
        dialog::FillBox(bm, w_ - 24 + k, k, 1, 1, dialog::Pixel(0));
        dialog::FillBox(bm, w_ - 1 - k, k, 1, 1, dialog::Pixel(0));
      }
    }
    return bm;
  }
  void Place(int32_t screenW, int32_t screenH, int32_t& left, int32_t& top) override {
    if (s_.main || s_.fullScreen) {
      w_ = screenW;
      h_ = screenH;
      left = top = 0;
      return;
    }
    if (window_ && s_.fullScreen) {
      w_ = screenW;
      h_ = screenH;
      left = top = 0;
      return;
    }
    // The settings give the outer size: the frame takes its part of it, and the panel inside is
    // what a picture is fitted into.
    w_ = std::max(1, s_.width - (Bordered() ? 2 * dialog::kFrameSide : 0));
    h_ = std::max(1, s_.height - (Bordered() ? dialog::kCaptionBar + dialog::kFrameSide : 0));
    if (s_.adapt && !image.Empty()) {
      const double sc = s_.scale > 0 ? s_.scale
                                     : std::min(static_cast<double>(w_) / image.Width(), static_cast<double>(h_) / image.Height());
      w_ = std::max(1, static_cast<int32_t>(std::lround(image.Width() * sc)));
      h_ = std::max(1, static_cast<int32_t>(std::lround(image.Height() * sc)));
    }
    const int32_t outerW = w_ + (Bordered() ? 2 * dialog::kFrameSide : 0);
    const int32_t outerH = h_ + (Bordered() ? dialog::kCaptionBar + dialog::kFrameSide : 0);
    // A window the player has resized since it opened shows at the size given.
    int32_t cw = 0, ch = 0;
    if (opened_ && s_.sizeable && window_ && window_->ClientSize(cw, ch)) {
      w_ = cw;
      h_ = ch;
    }
    // A coordinate not given stays where the window was; the first time it is centred.
    left = s_.left >= 0 ? s_.left : (previous_ ? previous_->first : (screenW - outerW) / 2);
    top = s_.top >= 0 ? s_.top : (previous_ ? previous_->second : (screenH - outerH) / 2);
  }
  // Where the window of its own was put last, for the coordinates the settings leave as they are.
  void SetPrevious(std::optional<std::pair<int32_t, int32_t>> at) { previous_ = at; }
  // Once open, a resizable window has the size it has.
  void Opened() { opened_ = true; }
  void Input(const platform::RInputEvent& e) override {
    // Escape ends it with the stop key on: in a window of its own as the key goes down, in the
    // game window as it is let go, so that the game never sees the key.
    const platform::EInput escapeEnds = s_.main ? platform::EInput::KeyUp : platform::EInput::KeyDown;
    if (e.kind == escapeEnds && e.a == kEscape && s_.stopKey) done = true;
    if (e.kind == platform::EInput::Close) done = true;
    if (e.kind == platform::EInput::MouseMove) {
      mx_ = e.a - (Framed() ? dialog::kFrameSide : 0);
      my_ = e.b - (Framed() ? dialog::kCaptionBar : 0);
    }
    if (scrollBar && bar_.Input(e, mx_ - (w_ - dialog::TScrollBar::kWidth), my_)) return;
    if (e.kind == platform::EInput::MouseDown) {
      if (s_.closeButton && mx_ >= w_ - 24 && mx_ < w_ && my_ >= 0 && my_ < 24) done = true;
      if (s_.stopMouse) done = true;
    }
  }
  void Tick() override {
    if (deadline_ && platform::NowMicros() >= deadline_) done = true;
    if (!video) return;
    NextVideoFrame();
    // What the rewind timer does every 100 ms; once a turn of the loop serves as well.
    if (!video->Playing()) {
      if (loop) video->Rewind();
      else done = true;
    }
  }
  // The newest picture of the video becomes the picture shown; false when none was new.
  bool NextVideoFrame() {
    platform::media::RVideoFrame f;
    if (!video || !video->TakeFrame(f)) return false;
    image.Resize(f.width, f.height, 0);
    if (image.Width() != f.width) return false;
    uint32_t* px = image.Pixels().data();
    for (size_t k = 0, n = static_cast<size_t>(f.width) * static_cast<size_t>(f.height); k < n; ++k) {
      const uint8_t* p = f.rgba.data() + k * 4;
      px[k] = (uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    }
    return true;
  }
  // A separate window with a border has a caption bar; inside the game window or on the whole
  // screen there is no frame. In a window of its own, the system draws that frame.
  bool Bordered() const { return !s_.main && !s_.fullScreen && s_.border; }
  bool Framed() const { return Bordered() && !window_; }
  platform::TToolWindow* Window() override { return window_; }
  const RSplashSettings& Settings() const { return s_; }
  void SetWindow(platform::TToolWindow* window) { window_ = window; }
  void Answer(const std::string&) override { done = true; }
  void Unanswered() override { done = true; }
  std::string Describe() const override { return describe; }
  std::string Result() const override { return "closed"; }

 private:
  RSplashSettings s_;
  int64_t deadline_ = 0;
  int32_t w_ = 640, h_ = 480, mx_ = -1, my_ = -1;
  platform::TToolWindow* window_ = nullptr;
  std::optional<std::pair<int32_t, int32_t>> previous_;
  bool opened_ = false;
  dialog::TScrollBar bar_;
};

// Ends what the window shows beside the game, if anything.
void EndBeside(RDialogWindow& window) {
  if (!window.beside) return;
  const std::unique_ptr<TModalDialog> ended = std::move(window.beside);
  if (window.native) window.native->Hide();
  if (DialogsUnattended())
    std::fprintf(stderr, "%s [closed after %d steps]\n", ended->Describe().c_str(), window.steps);
}

// The splash or information window, made on first use and reused.
platform::TToolWindow& Native(RDialogWindow& window) {
  if (!window.native) window.native = platform::MakeToolWindow();
  return *window.native;
}

// A splash outside the game window goes into the splash window, placed from the settings and
// where the window was before.
void IntoSplashWindow(TSplash& splash) {
  RDialogWindow& window = DialogsState().splashWindow;
  splash.SetWindow(&Native(window));
  splash.SetPrevious(window.at);
  int32_t sw = 0, sh = 0, left = 0, top = 0;
  DesktopSize(sw, sh);
  splash.Place(sw, sh, left, top);
  window.at = std::make_pair(left, top);
}

// What goes into a window of its own takes its look and place from its settings; the window
// shows at once.
platform::TToolWindow& OpenWindow(TSplash& splash) {
  platform::TToolWindow& w = *splash.Window();
  const RSplashSettings& s = splash.Settings();
  w.SetLook({.border = s.border, .onTop = s.top_most, .fullScreen = s.fullScreen, .cursor = s.cursor,
             .resizable = s.sizeable});
  int32_t sw = 0, sh = 0, left = 0, top = 0;
  DesktopSize(sw, sh);
  splash.Place(sw, sh, left, top);
  const TBitmap32 first = splash.Paint();
  w.SetCaption(s.caption);
  w.Move(left, top);
  w.Show(s.caption, left, top, first.Width(), first.Height());
  w.Present(first.Width(), first.Height(), first.Pixels().data());
  splash.Opened();
  return w;
}

// Splash screens take no scripted answer: unattended, they end at once (after any picture the
// script asks for), except one beside the game, which ends as it would with nobody there.
void Show(std::unique_ptr<TSplash> splash) {
  RDialogsState& st = DialogsState();
  const RSplashSettings& s = st.splash;
  // There is one splash window: a splash still open beside the game gives way.
  EndBeside(st.splashWindow);
  const bool unattended = DialogsUnattended();
  if (!s.main) IntoSplashWindow(*splash);
  if (unattended) TakeScriptedPictures(*splash);
  if (!s.main && !s.interrupt) {
    OpenWindow(*splash);
    st.splashWindow.beside = std::move(splash);
    st.splashWindow.steps = 0;
    return;
  }
  if (unattended) {
    std::fprintf(stderr, "%s [closed]\n", splash->Describe().c_str());
    return;
  }
  if (!s.main) {
    platform::TToolWindow& w = OpenWindow(*splash);
    RunModal(*splash);
    w.Hide();
    return;
  }
  // The cursor over the game window follows the splash while it is there.
  const int32_t cursor = WindowState().cursor;
  if (!s.cursor) Window_SetCursor(-1);
  st.splashInWindow = true;
  RunModal(*splash);
  st.splashInWindow = false;
  if (!s.cursor) Window_SetCursor(cursor);
}
}  // namespace

void ServeBeside() {
  if (!TheGame().Has<RDialogsState>()) return;
  RDialogsState& st = DialogsState();
  for (RDialogWindow* w : {&st.splashWindow, &st.infoWindow}) {
    if (!w->beside) continue;
    ++w->steps;
    if (!ServeWindow(*w->beside)) EndBeside(*w);
  }
}

void ShutdownDialogWindows() {
  if (!TheGame().Has<RDialogsState>()) return;
  RDialogsState& st = DialogsState();
  for (RDialogWindow* w : {&st.splashWindow, &st.infoWindow}) {
    EndBeside(*w);
    w->native.reset();
  }
}

bool ShowSplashImage(const std::string& file, int32_t delay) {
  const std::string path = NormaliseGamePath(file);
  if (!FileExists(path)) return false;
  auto splash = std::make_unique<TSplash>(DialogsState().splash, delay);
  splash->describe = "Splash image: " + file;
  if (!splash->image.LoadFromImageFile(path)) return false;
  Show(std::move(splash));
  return true;
}

std::unique_ptr<TModalDialog> MakeImageSplash(const std::string& file, int32_t delay) {
  auto splash = std::make_unique<TSplash>(DialogsState().splash, delay);
  if (!splash->image.LoadFromImageFile(NormaliseGamePath(file))) return nullptr;
  if (!DialogsState().splash.main) splash->SetWindow(&Native(DialogsState().splashWindow));
  return splash;
}

bool ShowSplashVideo(const std::string& file, bool loop) {
  if (file.size() >= kMaxVideoName) return false;
  const std::string path = NormaliseGamePath(file);
  if (!FileExists(path)) return false;
  // A file no decoder reads fails as a missing one does: there is nothing to show.
  auto player = std::make_unique<platform::media::TVideoPlayer>();
  const bool unattended = DialogsUnattended();
  // The sound is heard when the game's own sounds are: not in test mode nor on the silent device.
  const platform::audio::AudioDevice* device = unattended ? nullptr : SoundDevice();
  if (!player->Open(path, !unattended, device && device->Audible())) return false;
  auto splash = std::make_unique<TSplash>(DialogsState().splash, 0);
  splash->describe = "Splash video: " + file;
  splash->player = std::move(player);
  splash->video = splash->player.get();
  splash->loop = loop;
  splash->NextVideoFrame();
  splash->video->Play();
  const RSplashSettings& s = DialogsState().splash;
  // Beside the game, the video runs a picture a step whoever watches.
  if (!unattended || (!s.main && !s.interrupt)) {
    Show(std::move(splash));
    return true;
  }
  // Nobody watches: the first picture is the one a script captures, then the video runs to its
  // end once, looping or not, and says how many pictures reached the screen.
  EndBeside(DialogsState().splashWindow);
  if (!s.main) IntoSplashWindow(*splash);
  TakeScriptedPictures(*splash);
  int32_t frames = 1, misses = 0;
  // A decoder that stalls without ending gets a few half-second waits, then the splash ends.
  while (splash->video->Playing() && frames < kMaxUnattendedFrames && misses < 20) {
    if (splash->NextVideoFrame()) {
      ++frames;
      misses = 0;
    } else {
      ++misses;
    }
  }
  std::fprintf(stderr, "%s [%d pictures, ended]\n", splash->describe.c_str(), frames);
  return true;
}

bool ShowSplashText(const std::string& file, int32_t delay) {
  std::string content;
  if (!ReadFileText(NormaliseGamePath(file), content)) return false;
  auto splash = std::make_unique<TSplash>(DialogsState().splash, delay);
  splash->describe = "Splash text: " + file;
  splash->text = ReadRtf(content, kTextBoxStyle);
  Show(std::move(splash));
  return true;
}

bool ShowSplashWeb(const std::string& url, int32_t delay) {
  std::string lower = url;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool local = lower.ends_with(".htm") || lower.ends_with(".html") || lower.ends_with(".txt");
  std::string content;
  if (!local || !ReadFileText(NormaliseGamePath(url), content)) {
    ShowMessage("Failed to display the webpage");
    return true;
  }
  auto splash = std::make_unique<TSplash>(DialogsState().splash, delay);
  splash->describe = "Splash web page: " + url;
  splash->text = ReadRtf(lower.ends_with(".txt") ? content : WebPageText(content), kTextBoxStyle);
  Show(std::move(splash));
  return true;
}

bool LoadGameInformation(CStream& s) {
  if (s.ReadInteger() != 800) return false;
  CStream e = s.ReadStreamC();
  RGameInfo& info = DialogsState().info;
  info.color = e.ReadInteger();
  info.embed = e.ReadBoolean();
  info.caption = e.ReadString();
  info.left = e.ReadInteger();
  info.top = e.ReadInteger();
  info.width = e.ReadInteger();
  info.height = e.ReadInteger();
  info.border = e.ReadBoolean();
  info.sizeable = e.ReadBoolean();
  info.stayOnTop = e.ReadBoolean();
  info.pause = e.ReadBoolean();
  CStream text = e.ReadStream();
  info.text.assign(reinterpret_cast<const char*>(text.Data()), static_cast<size_t>(text.GetSize()));
  return true;
}

void ShowGameInformation() {
  RDialogsState& st = DialogsState();
  const RGameInfo& info = st.info;
  RSplashSettings look;
  look.main = info.embed;
  look.interrupt = true;
  look.width = info.width;
  look.height = info.height;
  look.left = info.left;
  look.top = info.top;
  look.adapt = false;
  look.closeButton = false;
  look.stopMouse = false;
  look.color = info.color;
  look.border = info.border;
  look.sizeable = info.sizeable;
  look.caption = info.caption;
  look.top_most = info.stayOnTop;
  look.cursor = true;
  // The window is no larger than the screen.
  int32_t sw = 0, sh = 0;
  DesktopSize(sw, sh);
  look.width = std::min(look.width, sw);
  look.height = std::min(look.height, sh);
  auto window = std::make_unique<TSplash>(look, 0);
  window->textBack = info.color;
  window->scrollBar = true;
  window->text = ReadRtf(info.text, kInfoStyle);
  window->describe = info.caption;
  // Shown again, the window starts afresh.
  EndBeside(st.infoWindow);
  if (!info.embed) window->SetWindow(&Native(st.infoWindow));
  const bool unattended = DialogsUnattended();
  if (unattended) TakeScriptedPictures(*window);
  // Not pausing the game, the window stays open beside it until Escape or its close button.
  if (!info.embed && !info.pause) {
    OpenWindow(*window);
    st.infoWindow.beside = std::move(window);
    st.infoWindow.steps = 0;
    return;
  }
  if (unattended) {
    std::fprintf(stderr, "%s [closed]\n", info.caption.c_str());
    return;
  }
  if (!info.embed) {
    platform::TToolWindow& w = OpenWindow(*window);
    RunModal(*window);
    w.Hide();
    return;
  }
  st.infoInWindow = true;
  RunModal(*window);
  st.infoInWindow = false;
}

bool LoadInformationFile(const std::string& file) {
  std::string content;
  if (!ReadFileText(NormaliseGamePath(file), content)) return false;
  DialogsState().info.text = content;
  return true;
}
