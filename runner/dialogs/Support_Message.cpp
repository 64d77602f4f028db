// The game's message dialog: its look, layout, keys and answers, and the text conversions.
#include "runner/dialogs/Support_Message.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "platform/dialogs/MessageBox.h"
#include "runner/dialogs/Dialog_Modal.h"
#include "runner/dialogs/Dialog_Paint.h"
#include "runner/functions/Function_Math.h"

namespace {
constexpr int32_t kEnter = 13, kEscape = 27, kSpace = 32, kBackspace = 8;

bool ValidUtf8(std::string_view s) {
  for (char32_t c : dialog::FromUtf8(s))
    if (c == 0xFFFD) return false;
  return true;
}

std::string Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out;
  char buf[256];
  char* ip = const_cast<char*>(in.data());
  size_t il = in.size();
  while (il > 0) {
    char* op = buf;
    size_t ol = sizeof buf;
    const size_t r = iconv(cd, &ip, &il, &op, &ol);
    out.append(buf, static_cast<size_t>(op - buf));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // A byte the code page cannot decode is skipped, as the window would show nothing for it.
      ++ip;
      --il;
    }
  }
  iconv_close(cd);
  return out;
}

std::u32string FromUtf32(const std::string& bytes) {
  std::u32string out;
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4)
    out.push_back(static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                                        static_cast<unsigned char>(bytes[i + 2]) << 16 |
                                        static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 3])) << 24));
  return out;
}

TBitmap32 BuiltInBackground() {
  TBitmap32 bm = TBitmap32::Gradient(348, 129, 0x404040, 0x181818, 1);
  dialog::FrameBox(bm, 0, 0, 348, 129, dialog::Pixel(0x707070));
  return bm;
}
TBitmap32 BuiltInButton(int32_t face, int32_t edge) {
  TBitmap32 bm(80, 25, dialog::Pixel(face));
  dialog::FrameBox(bm, 0, 0, 80, 25, dialog::Pixel(edge));
  return bm;
}

struct RButton {
  std::u32string caption;  // without the ampersand
  char32_t shortkey = 0;
  bool visible = false;
};

RButton MakeButton(const std::string& caption, int32_t charset) {
  RButton b;
  b.visible = !caption.empty();
  const std::u32string text = DecodeForCharset(caption, charset);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == U'&' && i + 1 < text.size()) {
      if (text[i + 1] != U'&' && !b.shortkey) b.shortkey = text[i + 1];
      b.caption.push_back(text[i + 1]);
      ++i;
      continue;
    }
    b.caption.push_back(text[i]);
  }
  return b;
}

char32_t Upper(char32_t c) { return c < 128 ? static_cast<char32_t>(std::toupper(static_cast<int>(c))) : c; }

class TMessageDialog final : public TModalDialog {
 public:
  TMessageDialog(const std::string& text, const std::string* captions, bool box, const std::string& def)
      : look_(MessageLook()), raw_(text), box_(box) {
    label_ = DecodeForCharset(text, look_.text.charset);
    label_ += U' ';
    for (int i = 0; i < 3; ++i) buttons_[i] = MakeButton(captions[i], look_.button.charset);
    if (box_) boxText_ = boxDefault_ = DecodeForCharset(def, look_.input.charset);
    selected_ = box_;
    layout_ = LayoutMessage(look_, label_, box_);
  }

  TBitmap32 Paint() override {
    TBitmap32 client = PaintClient();
    if (!look_.showCaption) return client;
    return dialog::FrameWithCaption(client, DecodeForCharset(look_.caption, look_.text.charset));
  }

  TBitmap32 PaintClient() {
    const RMessageLayout& l = layout_;
    TBitmap32 bm(l.width, l.height, 0xFF000000u);
    std::optional<uint32_t> key;
    if (look_.backgroundKeyed && !look_.background.Empty()) key = look_.background.GetPixel(0, look_.background.Height() - 1);
    dialog::DrawPicture(bm, look_.background, 0, 0, l.width, l.height, key);
    if (key)
      for (uint32_t& p : bm.Pixels())
        if ((p & 0xFFFFFF) == (*key & 0xFFFFFF)) p &= 0x00FFFFFF;
    dialog::DrawTextBox(bm, look_.text, label_, l.labelX, l.labelY, l.labelW, l.labelH, 0, false, look_.text.color, true);
    for (int i = 0; i < 3; ++i) {
      const RButton& b = buttons_[i];
      if (!b.visible) continue;
      const bool inside = hover_ == i;
      const TBitmap32& pic = look_.buttons[inside && down_ == i ? 2 : (inside ? 1 : 0)];
      std::optional<uint32_t> bkey;
      if (look_.buttonsKeyed && !look_.buttons[0].Empty()) bkey = look_.buttons[0].GetPixel(0, look_.buttons[0].Height() - 1);
      dialog::DrawPicture(bm, pic, l.buttonLeft[i], l.buttonTop, l.buttonW, l.buttonH, bkey);
      dialog::DrawTextBox(bm, look_.button, b.caption, l.buttonLeft[i], l.buttonTop, l.buttonW, l.buttonH, 1, true,
                          inside ? look_.mouseColor : look_.button.color, false);
    }
    if (box_) {
      dialog::FillBox(bm, l.boxX, l.boxY, l.boxW, l.boxH, dialog::Pixel(look_.inputColor));
      const int32_t th = dialog::LineHeight(look_.input);
      const int32_t ty = l.boxY + (l.boxH - th) / 2;
      if (selected_ && !boxText_.empty())
        dialog::FillBox(bm, l.boxX + 3, ty, dialog::TextWidth(look_.input, boxText_), th, dialog::Pixel(0xD77800));
      dialog::DrawLine(bm, look_.input, boxText_, l.boxX + 3, ty, look_.input.color);
      if (!selected_) dialog::FillBox(bm, l.boxX + 3 + dialog::TextWidth(look_.input, boxText_), ty, 1, th, dialog::Pixel(look_.input.color));
    }
    return bm;
  }

  void Place(int32_t screenW, int32_t screenH, int32_t& left, int32_t& top) override {
    const int32_t w = layout_.width + (look_.showCaption ? 2 * dialog::kFrameSide : 0);
    const int32_t h = layout_.height + (look_.showCaption ? dialog::kCaptionBar + dialog::kFrameSide : 0);
    left = look_.fixedLeft >= 0 ? look_.fixedLeft : (screenW - w) / 2;
    top = look_.fixedTop >= 0 ? look_.fixedTop : (screenH - h) / 2;
  }
  int32_t Alpha() const override { return look_.alpha; }

  void Input(const platform::RInputEvent& event) override {
    using platform::EInput;
    platform::RInputEvent e = event;
    // Mouse positions come relative to the window; the buttons are placed in its client area.
    if (e.kind == EInput::MouseMove && look_.showCaption) {
      onClose_ = dialog::OnCloseBox(e.a, e.b, layout_.width + 2 * dialog::kFrameSide);
      e.a -= dialog::kFrameSide;
      e.b -= dialog::kCaptionBar;
    }
    // The close button of the caption bar closes the dialog as Escape does.
    if (e.kind == EInput::MouseDown && e.a == 1) closeDown_ = onClose_;
    if (e.kind == EInput::MouseUp && e.a == 1 && closeDown_ && onClose_) return Close(0);
    switch (e.kind) {
      case EInput::KeyDown:
        if (e.a == 18 || e.a == 164 || e.a == 165) alt_ = true;
        if (e.a == kEscape) Close(0);
        else if (e.a == kEnter || (e.a == kSpace && !box_)) FirstVisible();
        else if (alt_) ShortKey(static_cast<char32_t>(e.a));
        break;
      case EInput::KeyUp:
        if (e.a == 18 || e.a == 164 || e.a == 165) alt_ = false;
        break;
      case EInput::Char:
        Typed(static_cast<char32_t>(e.a));
        break;
      case EInput::MouseMove:
        hover_ = -1;
        for (int i = 0; i < 3; ++i)
          if (buttons_[i].visible && e.a >= layout_.buttonLeft[i] && e.a < layout_.buttonLeft[i] + layout_.buttonW &&
              e.b >= layout_.buttonTop && e.b < layout_.buttonTop + layout_.buttonH)
            hover_ = i;
        break;
      // A button is clicked when the left button goes down and up again on it.
      case EInput::MouseDown:
        if (e.a == 1) down_ = hover_;
        break;
      case EInput::MouseUp:
        if (e.a == 1 && down_ >= 0 && down_ == hover_) Close(hover_ + 1);
        if (e.a == 1) down_ = -1;
        break;
      default:
        break;
    }
  }

  void Answer(const std::string& a) override {
    if (box_) {
      boxText_ = DecodeForCharset(a, look_.input.charset);
      Close(2);
      return;
    }
    if (a == "esc" || a == "0") return Close(0);
    if (a == "1" || a == "2" || a == "3") {
      const int i = a[0] - '1';
      if (buttons_[i].visible) return Close(i + 1);
    }
    if (a == "enter" || a == "ok" || a == "yes") FirstVisible();
    else if (a == "no" || a == "cancel") LastVisible();
    else if (a.size() == 1) ShortKey(static_cast<char32_t>(static_cast<unsigned char>(a[0])));
    if (!done) Unanswered();
  }

  void Unanswered() override {
    if (box_) return Close(2);
    const std::optional<platform::MessageAnswer> configured = platform::ConfiguredMessageAnswer();
    if (configured == platform::MessageAnswer::No || configured == platform::MessageAnswer::Cancel)
      LastVisible();
    else
      FirstVisible();
    if (!done) Close(0);
  }

  std::string Describe() const override {
    std::string d = "Message: " + raw_;
    if (box_) d += " <" + dialog::ToUtf8(boxDefault_) + ">";
    return d;
  }
  std::string Result() const override { return box_ ? EncodeResult() : std::to_string(tag_); }

  int32_t Tag() const { return tag_; }
  std::string EncodeResult() const { return EncodeForCharset(boxText_, look_.input.charset); }

 private:
  void Close(int32_t tag) {
    tag_ = tag;
    done = true;
  }
  void FirstVisible() {
    for (int i = 0; i < 3; ++i)
      if (buttons_[i].visible) return Close(i + 1);
  }
  void LastVisible() {
    for (int i = 2; i >= 0; --i)
      if (buttons_[i].visible) return Close(i + 1);
  }
  void ShortKey(char32_t c) {
    for (int i = 0; i < 3; ++i)
      if (buttons_[i].shortkey && Upper(buttons_[i].shortkey) == Upper(c)) return Close(i + 1);
  }
  void Typed(char32_t c) {
    if (!box_) {
      if (c == kSpace || c == kEnter) return;  // the key itself chose
      if (c != kEscape) ShortKey(c);
      return;
    }
    if (c == kBackspace) {
      if (selected_) boxText_.clear();
      else if (!boxText_.empty()) boxText_.pop_back();
      selected_ = false;
    } else if (c >= 32) {
      if (selected_) boxText_.clear();
      selected_ = false;
      boxText_.push_back(c);
    }
  }

  const RMessageLook& look_;
  std::string raw_;
  bool box_;
  std::u32string label_, boxText_, boxDefault_;
  RButton buttons_[3];
  RMessageLayout layout_;
  int32_t tag_ = 0, hover_ = -1, down_ = -1;  // down_: the button the left button went down on
  bool alt_ = false, selected_ = false;
  bool onClose_ = false, closeDown_ = false;  // the mouse over the caption's close button, and down on it
};
}  // namespace

std::string PrepareMessageText(const RValue& v) {
  std::string s;
  if (v.IsReal()) {
    const double d = v.val();
    if (d == std::floor(d) && std::abs(d) < 1e15) {
      s = std::to_string(static_cast<int64_t>(d));
    } else {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.2f", d);
      s = buf;
    }
  } else {
    s = std::string(v.str());
  }
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '#') {
      out += '#';
      ++i;
    } else if (s[i] == '#') {
      out += '\r';
    } else {
      out += s[i];
    }
  }
  return out;
}

const char* CharsetCodePage(int32_t charset) {
  switch (charset) {
    case 0: return "CP1252";
    case 128: return "CP932";
    case 129: return "CP949";
    case 130: return "CP1361";
    case 134: return "CP936";
    case 136: return "CP950";
    case 161: return "CP1253";
    case 162: return "CP1254";
    case 163: return "CP1258";
    case 177: return "CP1255";
    case 178: return "CP1256";
    case 186: return "CP1257";
    case 204: return "CP1251";
    case 222: return "CP874";
    case 238: return "CP1250";
    default: return nullptr;
  }
}

std::u32string DecodeForCharset(std::string_view utf8, int32_t charset) {
  // The low byte of each UTF-16 unit of the characters: a byte that starts no UTF-8 sequence
  // (chr(224) alone) is a character of its own code, as text that is no UTF-8 reads (R4).
  std::string bytes;
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const size_t n = b < 0xC2 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : b < 0xF5 ? 3 : 0;
    bool sequence = n > 0 && i + n < utf8.size();
    for (size_t k = 1; sequence && k <= n; ++k) sequence = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
    if (!sequence) {
      bytes.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    for (char16_t u : dialog::ToUtf16(utf8.substr(i, n + 1))) bytes.push_back(static_cast<char>(u & 0xFF));
    i += n + 1;
  }
  const char* page = CharsetCodePage(charset);
  if (!page) page = ValidUtf8(bytes) ? "UTF-8" : "CP1252";
  return FromUtf32(Convert("UTF-32LE", page, bytes));
}

std::string EncodeForCharset(std::u32string_view text, int32_t charset) {
  const char* page = CharsetCodePage(charset);
  std::string utf32;
  for (char32_t c : text)
    for (int shift = 0; shift < 32; shift += 8) utf32.push_back(static_cast<char>((c >> shift) & 0xFF));
  if (!page) return Convert("UTF-8", "UTF-32LE", utf32);  // the system's own code page writes UTF-8
  const std::string bytes = Convert(page, "UTF-32LE", utf32);
  std::u32string chars;
  for (char b : bytes) chars.push_back(static_cast<unsigned char>(b));
  return dialog::ToUtf8(chars);
}

RMessageLook& MessageLook() {
  RDialogsState& st = DialogsState();
  if (!st.lookMade) {
    st.lookMade = true;
    st.look.background = BuiltInBackground();
    st.look.buttons[0] = BuiltInButton(0x505050, 0x909090);
    st.look.buttons[1] = BuiltInButton(0x686868, 0xC0C0C0);
    st.look.buttons[2] = BuiltInButton(0x303030, 0x909090);
  }
  return st.look;
}

RMessageLayout LayoutMessage(const RMessageLook& look, std::u32string_view label, bool box) {
  RMessageLayout l;
  l.width = look.fixedWidth >= 1 ? look.fixedWidth : std::max(1, look.background.Width());
  l.labelW = std::max(1, l.width - 48);
  l.labelH = static_cast<int32_t>(dialog::WrapText(look.text, label, l.labelW).size()) * dialog::LineHeight(look.text);
  l.buttonW = std::max(1, look.buttons[0].Width());
  l.buttonH = std::max(1, look.buttons[0].Height());
  l.boxH = dialog::LineHeight(look.input) + 8;
  l.boxW = std::max(1, l.width - 48);
  if (look.fixedHeight >= 1)
    l.height = look.fixedHeight;
  else
    l.height = l.labelH + l.buttonH + 48 + (box ? l.boxH + 16 : 0);
  l.buttonTop = l.height - 16 - l.buttonH;
  l.buttonLeft[0] = 24;
  l.buttonLeft[1] = (l.width - l.buttonW) / 2;
  l.buttonLeft[2] = l.width - l.buttonW - 24;
  l.boxY = l.buttonTop - l.boxH - 16;
  return l;
}

int32_t MessageDialog(const std::string& text, const std::string& c1, const std::string& c2, const std::string& c3) {
  const std::string captions[3] = {c1, c2, c3};
  TMessageDialog d(text, captions, false, "");
  RunModal(d);
  return d.Tag();
}

std::string InputDialog(const std::string& text, const std::string& def) {
  const std::string captions[3] = {"", "OK", ""};
  TMessageDialog d(text, captions, true, def);
  RunModal(d);
  return d.EncodeResult();
}

std::unique_ptr<TModalDialog> MakeMessageWindow(const std::string& text, const std::string& c1, const std::string& c2,
                                                const std::string& c3) {
  const std::string captions[3] = {c1, c2, c3};
  return std::make_unique<TMessageDialog>(text, captions, false, "");
}

std::unique_ptr<TModalDialog> MakeInputWindow(const std::string& text, const std::string& def) {
  const std::string captions[3] = {"", "OK", ""};
  return std::make_unique<TMessageDialog>(text, captions, true, def);
}
