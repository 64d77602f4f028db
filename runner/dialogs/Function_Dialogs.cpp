// Built-in dialog functions: message dialogs and their look, menus, the colour and file
// choosers, the high-score table, splash screens and the game information, and the actions
// over them. Every function that shows a window clears the keyboard and mouse state afterwards.
#include "runner/dialogs/Function_Dialogs.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "runner/base/Option_Main.h"
#include "runner/base/Runner_Process.h"
#include "runner/code/Code_Error.h"
#include "runner/code/Variable_Class.h"
#include "runner/dialogs/Dialog_Choosers.h"
#include "runner/dialogs/Dialog_Modal.h"
#include "runner/dialogs/Run_Score.h"
#include "runner/dialogs/Runner_Splash.h"
#include "runner/dialogs/Support_Message.h"
#include "runner/graphics/Background_Class.h"
#include "runner/graphics/Sprite_Class.h"
#include "runner/graphics/Sprite_Main.h"
#include "runner/run/IO_Main.h"
#include "runner/run/Run_Main.h"

namespace {
using Args = RValue*;

int32_t Int(const RValue& v) { return RoundToInt32(v.val()); }
// Splash switches: on when the rounded argument is 1 or more.
bool On(const RValue& v) { return Int(v) >= 1; }
std::string Str(const RValue& v) { return v.IsString() ? std::string(v.str()) : PrepareMessageText(v); }
RMessageLook& Look() { return MessageLook(); }
RSplashSettings& Splash() { return DialogsState().splash; }
RScoreSettings& Score() { return DialogsState().score; }

// show_message and friends.
void show_message(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  MessageDialog(PrepareMessageText(a[0]), "", "OK", "");
  ClearInputAfterDialog();
}
void show_question(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetReal(MessageDialog(PrepareMessageText(a[0]), "Yes", "", "No") == 1);
  ClearInputAfterDialog();
}
void show_message_ext(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetReal(MessageDialog(PrepareMessageText(a[0]), Str(a[1]), Str(a[2]), Str(a[3])));
  ClearInputAfterDialog();
}
void get_string(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetString(InputDialog(PrepareMessageText(a[0]), Str(a[1])));
  ClearInputAfterDialog();
}
void get_integer(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  const int32_t def = Int(a[1]);
  const std::string answer = InputDialog(PrepareMessageText(a[0]), std::to_string(def));
  ClearInputAfterDialog();
  // A whole number: an optional sign and decimal digits, nothing else.
  const char* b = answer.data();
  const char* e = b + answer.size();
  if (b != e && *b == '+' && e - b > 1 && b[1] != '-') ++b;
  int64_t v = 0;
  const auto res = std::from_chars(b, e, v);
  const bool whole = b != e && res.ec == std::errc() && res.ptr == e && (*b != '-' || e - b > 1);
  r.SetReal(whole ? static_cast<double>(v) : def);
}
void get_color(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetReal(ChooseColor(Int(a[0])));
  ClearInputAfterDialog();
}
void get_open_filename(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetString(BrowseFiles(EBrowse::Open, "Open", Str(a[0]), Str(a[1]), ""));
  ClearInputAfterDialog();
}
void get_save_filename(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetString(BrowseFiles(EBrowse::Save, "Save As", Str(a[0]), Str(a[1]), ""));
  ClearInputAfterDialog();
}
void get_directory(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  r.SetString(BrowseFiles(EBrowse::Folder, "Select Directory", "", "", Str(a[0])));
  ClearInputAfterDialog();
}
void get_directory_alt(CInstance*, CInstance*, int32_t, Args a, RValue& r) {
  // The root is the top of the tree the player browses, which starts there.
  r.SetString(BrowseFiles(Str(a[1]).empty() ? EBrowse::Folder : EBrowse::Tree, Str(a[0]), "", "", Str(a[1])));
  ClearInputAfterDialog();
}
void Menu(const std::string& text, int32_t x, int32_t y, const RValue& def, RValue& r) {
  const int32_t chosen = ShowMenu(text, x, y);
  if (chosen >= 0)
    r.SetReal(chosen);
  else
    r = def;
  ClearInputAfterDialog();
}
void show_menu(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Menu(Str(a[0]), MouseRegionX(), MouseRegionY(), a[1], r); }
void show_menu_pos(CInstance*, CInstance*, int32_t, Args a, RValue& r) { Menu(Str(a[2]), Int(a[0]), Int(a[1]), a[3], r); }

// The dialog's look.
bool KeyedByCorner(const TBitmap32& bm) { return !bm.Empty() && (bm.GetPixel(0, bm.Height() - 1) >> 24) == 0; }
void message_background(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t i = Int(a[0]);
  if (!Backgrounds().Exists(i)) return ShowActionError("Trying to set a non-existing message background", false);
  Look().background = Backgrounds().Get(i)->i_bitmap;
  Look().backgroundKeyed = KeyedByCorner(Look().background);
}
void message_button(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t i = Int(a[0]);
  if (!Sprites().Exists(i) || Sprites().Get(i)->i_numb < 1) return ShowActionError("Trying to set a non-existing message button", false);
  const CSprite* s = Sprites().Get(i);
  Look().buttons[0] = s->GetBitmap(0);
  Look().buttons[1] = s->i_numb > 1 ? s->GetBitmap(1) : Look().buttons[0];
  Look().buttons[2] = s->i_numb > 2 ? s->GetBitmap(2) : Look().buttons[1];
  Look().buttonsKeyed = KeyedByCorner(Look().buttons[0]);
}
void SetFont(RDialogFont& f, Args a) {
  const std::string name(a[0].str());
  if (!name.empty()) f.name = name;
  if (Int(a[1]) >= 0) f.size = Int(a[1]);
  if (Int(a[2]) >= 0) f.color = Int(a[2]);
  const int32_t style = Int(a[3]);
  if (style >= 0 && style <= 3) f.style = style;
}
void message_text_font(CInstance*, CInstance*, int32_t, Args a, RValue&) { SetFont(Look().text, a); }
void message_button_font(CInstance*, CInstance*, int32_t, Args a, RValue&) { SetFont(Look().button, a); }
void message_input_font(CInstance*, CInstance*, int32_t, Args a, RValue&) { SetFont(Look().input, a); }
void message_text_charset(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const int32_t kind = Int(a[0]), set = Int(a[1]);
  if (kind == 0) Look().text.charset = set;
  if (kind == 1) Look().button.charset = set;
  if (kind == 2) Look().input.charset = set;
}
void message_alpha(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Look().alpha = std::clamp(RoundToInt32(a[0].val() * 255), 0, 255);
}
void message_mouse_color(CInstance*, CInstance*, int32_t, Args a, RValue&) { Look().mouseColor = Int(a[0]); }
void message_input_color(CInstance*, CInstance*, int32_t, Args a, RValue&) { Look().inputColor = Int(a[0]); }
void message_position(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Look().fixedLeft = Int(a[0]);
  Look().fixedTop = Int(a[1]);
}
void message_size(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Look().fixedWidth = Int(a[0]);
  Look().fixedHeight = Int(a[1]);
}
void message_caption(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Look().showCaption = IsTrue(a[0].val());
  Look().caption = Str(a[1]);
}

// High scores.
void highscore_show(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  ShowScoreTable(Int(a[0]));
  ClearInputAfterDialog();
}
void highscore_set_background(CInstance*, CInstance*, int32_t, Args a, RValue&) { Score().background = Int(a[0]); }
void highscore_set_border(CInstance*, CInstance*, int32_t, Args a, RValue&) { Score().border = IsTrue(a[0].val()); }
void highscore_set_font(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Score().fontName = std::string(a[0].str());
  Score().fontSize = Int(a[1]);
  const int32_t style = Int(a[2]);
  if (style >= 0 && style <= 3) Score().fontStyle = style;
}
void highscore_set_strings(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Score().caption = Str(a[0]);
  Score().nobody = Str(a[1]);
  Score().closeText = Str(a[2]);
}
void highscore_set_colors(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Score().windowColor = Int(a[0]);
  Score().newColor = Int(a[1]);
  Score().otherColor = Int(a[2]);
}
void highscore_show_ext(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Score().background = Int(a[1]);
  Score().border = IsTrue(a[2].val());
  Score().newColor = Int(a[3]);
  Score().otherColor = Int(a[4]);
  Score().fontName = std::string(a[5].str());
  Score().fontSize = Int(a[6]);
  ShowScoreTable(Int(a[0]));
  ClearInputAfterDialog();
}
void highscore_clear(CInstance*, CInstance*, int32_t, Args, RValue&) { ClearScores(); }
void highscore_add(CInstance*, CInstance*, int32_t, Args a, RValue&) { InsertScore(Str(a[0]), Int(a[1])); }
void highscore_add_current(CInstance*, CInstance*, int32_t, Args, RValue&) {
  const int32_t score = GameState().score;
  if (score < ReadScoreEntry(10).score) return;
  const std::string name =
      InputDialog("You reached a place in the highscore table.\rPlease provide your name.", "player");
  InsertScore(name, score);
  ClearInputAfterDialog();
}
void highscore_value(CInstance*, CInstance*, int32_t, Args a, RValue& r) { r.SetReal(ReadScoreEntry(Int(a[0])).score); }
void highscore_name(CInstance*, CInstance*, int32_t, Args a, RValue& r) { r.SetString(ReadScoreEntry(Int(a[0])).name); }
void draw_highscore(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  DrawScoreTable(a[0].val(), a[1].val(), a[2].val(), a[3].val());
}

// Splash screens and the game information.
void splash_set_caption(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().caption = Str(a[0]); }
void splash_set_fullscreen(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().fullScreen = On(a[0]); }
void splash_set_border(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().border = On(a[0]); }
void splash_set_size(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Splash().width = Int(a[0]);
  Splash().height = Int(a[1]);
}
void splash_set_position(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Splash().left = Int(a[0]);
  Splash().top = Int(a[1]);
}
void splash_set_adapt(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().adapt = On(a[0]); }
void splash_set_top(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().top_most = On(a[0]); }
void splash_set_color(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().color = Int(a[0]); }
void splash_set_main(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().main = On(a[0]); }
void splash_set_scale(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().scale = a[0].val(); }
void splash_set_cursor(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().cursor = On(a[0]); }
void splash_set_interrupt(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().interrupt = On(a[0]); }
void splash_set_stop_key(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().stopKey = On(a[0]); }
void splash_set_close_button(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().closeButton = On(a[0]); }
void splash_set_stop_mouse(CInstance*, CInstance*, int32_t, Args a, RValue&) { Splash().stopMouse = On(a[0]); }

void Image(const std::string& file, int32_t delay) {
  if (!ShowSplashImage(file, delay)) ShowActionError("Image file not found.", false);
  ClearInputAfterDialog();
}
void Video(const std::string& file, bool loop) {
  if (!ShowSplashVideo(file, loop)) ShowActionError("Video file not found (or name too long).", false);
  ClearInputAfterDialog();
}
void Text(const std::string& file, int32_t delay) {
  if (!ShowSplashText(file, delay)) ShowActionError("Text file not found.", false);
  ClearInputAfterDialog();
}
void FullScreen(const RValue& full) {
  Splash().fullScreen = Int(full) != 0;
  Splash().main = !Splash().fullScreen;
}
void splash_show_image(CInstance*, CInstance*, int32_t, Args a, RValue&) { Image(Str(a[0]), Int(a[1])); }
void splash_show_video(CInstance*, CInstance*, int32_t, Args a, RValue&) { Video(Str(a[0]), On(a[1])); }
void splash_show_text(CInstance*, CInstance*, int32_t, Args a, RValue&) { Text(Str(a[0]), Int(a[1])); }
void splash_show_web(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  ShowSplashWeb(Str(a[0]), Int(a[1]));
  ClearInputAfterDialog();
}
void show_image(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  FullScreen(a[1]);
  Image(Str(a[0]), Int(a[2]));
}
void show_video(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  FullScreen(a[1]);
  Video(Str(a[0]), Int(a[2]) != 0);
}
void show_text(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  FullScreen(a[1]);
  Splash().color = Int(a[2]);
  Text(Str(a[0]), Int(a[3]));
}
void show_info(CInstance*, CInstance*, int32_t, Args, RValue&) {
  ShowGameInformation();
  ClearInputAfterDialog();
}
void load_info(CInstance*, CInstance*, int32_t, Args a, RValue& r) { r.SetReal(LoadInformationFile(Str(a[0]))); }

// The actions.
void action_message(CInstance* s, CInstance* o, int32_t n, Args a, RValue& r) { show_message(s, o, n, a, r); }
void action_if_question(CInstance* s, CInstance* o, int32_t n, Args a, RValue& r) { show_question(s, o, n, a, r); }
void action_show_info(CInstance* s, CInstance* o, int32_t n, Args a, RValue& r) { show_info(s, o, n, a, r); }
void action_show_video(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  FullScreen(a[1]);
  Video(Str(a[0]), Int(a[2]) != 0);
}
void action_splash_video(CInstance*, CInstance*, int32_t, Args a, RValue&) { Video(Str(a[0]), Int(a[1]) != 0); }
void action_splash_text(CInstance*, CInstance*, int32_t, Args a, RValue&) { Text(Str(a[0]), 0); }
void action_splash_image(CInstance*, CInstance*, int32_t, Args a, RValue&) { Image(Str(a[0]), 0); }
void action_splash_web(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  const std::string url = Str(a[0]);
  if (a[1].val() < 0.5) {
    ShowSplashWeb(url, 0);
  } else {
    if (SecureMode()) return ShowActionError("In secure mode you cannot open webpages.", false);
    if (!ShellOpen(url, "", "")) ShowActionError("Failed to open the webpage.", false);
  }
  ClearInputAfterDialog();
}
void action_splash_settings(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Splash().caption = Str(a[0]);
  Splash().fullScreen = Int(a[1]) == 2;
  Splash().main = Int(a[1]) == 0;
  Splash().closeButton = Int(a[2]) == 0;
  Splash().stopKey = Int(a[3]) == 0;
  Splash().stopMouse = Int(a[4]) == 0;
}
void action_highscore_show(CInstance*, CInstance*, int32_t, Args a, RValue&) {
  Score().background = Int(a[0]);
  Score().border = Int(a[1]) == 1;
  Score().newColor = Int(a[2]);
  Score().otherColor = Int(a[3]);
  // The font: "name,size,colour,bold,italic,underline,strikeout".
  const std::string font = Str(a[4]);
  std::vector<std::string> parts(1);
  for (char c : font) {
    if (c == ',')
      parts.emplace_back();
    else
      parts.back() += c;
  }
  if (!parts[0].empty()) Score().fontName = parts[0];
  auto num = [&](size_t i) {
    int32_t v = 0;
    if (i < parts.size()) std::from_chars(parts[i].data(), parts[i].data() + parts[i].size(), v);
    return v;
  };
  if (parts.size() > 1) Score().fontSize = num(1);
  if (parts.size() > 4) Score().fontStyle = (num(3) != 0 ? 1 : 0) | (num(4) != 0 ? 2 : 0);
  ShowScoreTable(GameState().score);
  ClearInputAfterDialog();
}
void action_highscore_clear(CInstance*, CInstance*, int32_t, Args, RValue&) { ClearScores(); }

constexpr RFunctionDef kDialogFunctions[] = {
    {"show_message", 1, show_message},
    {"show_question", 1, show_question},
    {"show_message_ext", 4, show_message_ext},
    {"message_background", 1, message_background},
    {"message_button", 1, message_button},
    {"message_alpha", 1, message_alpha},
    {"message_text_font", 4, message_text_font},
    {"message_button_font", 4, message_button_font},
    {"message_input_font", 4, message_input_font},
    {"message_text_charset", 2, message_text_charset},
    {"message_mouse_color", 1, message_mouse_color},
    {"message_input_color", 1, message_input_color},
    {"message_position", 2, message_position},
    {"message_size", 2, message_size},
    {"message_caption", 2, message_caption},
    {"show_menu", 2, show_menu},
    {"show_menu_pos", 4, show_menu_pos},
    {"get_integer", 2, get_integer},
    {"get_string", 2, get_string},
    {"get_color", 1, get_color},
    {"get_open_filename", 2, get_open_filename},
    {"get_save_filename", 2, get_save_filename},
    {"get_directory", 1, get_directory},
    {"get_directory_alt", 2, get_directory_alt},
    {"highscore_show", 1, highscore_show},
    {"highscore_set_background", 1, highscore_set_background},
    {"highscore_set_border", 1, highscore_set_border},
    {"highscore_set_font", 3, highscore_set_font},
    {"highscore_set_strings", 3, highscore_set_strings},
    {"highscore_set_colors", 3, highscore_set_colors},
    {"highscore_show_ext", 7, highscore_show_ext},
    {"highscore_clear", 0, highscore_clear},
    {"highscore_add", 2, highscore_add},
    {"highscore_add_current", 0, highscore_add_current},
    {"highscore_value", 1, highscore_value},
    {"highscore_name", 1, highscore_name},
    {"draw_highscore", 4, draw_highscore},
    {"splash_set_caption", 1, splash_set_caption},
    {"splash_set_fullscreen", 1, splash_set_fullscreen},
    {"splash_set_border", 1, splash_set_border},
    {"splash_set_size", 2, splash_set_size},
    {"splash_set_position", 2, splash_set_position},
    {"splash_set_adapt", 1, splash_set_adapt},
    {"splash_set_top", 1, splash_set_top},
    {"splash_set_color", 1, splash_set_color},
    {"splash_set_main", 1, splash_set_main},
    {"splash_set_scale", 1, splash_set_scale},
    {"splash_set_cursor", 1, splash_set_cursor},
    {"splash_set_interrupt", 1, splash_set_interrupt},
    {"splash_set_stop_key", 1, splash_set_stop_key},
    {"splash_set_close_button", 1, splash_set_close_button},
    {"splash_set_stop_mouse", 1, splash_set_stop_mouse},
    {"splash_show_video", 2, splash_show_video},
    {"splash_show_image", 2, splash_show_image},
    {"splash_show_text", 2, splash_show_text},
    {"splash_show_web", 2, splash_show_web},
    {"show_image", 3, show_image},
    {"show_video", 3, show_video},
    {"show_text", 4, show_text},
    {"show_info", 0, show_info},
    {"load_info", 1, load_info},
    {"action_message", 1, action_message},
    {"action_if_question", 1, action_if_question},
    {"action_show_info", 0, action_show_info},
    {"action_show_video", 3, action_show_video},
    {"action_splash_video", 2, action_splash_video},
    {"action_splash_text", 1, action_splash_text},
    {"action_splash_image", 1, action_splash_image},
    {"action_splash_web", 2, action_splash_web},
    {"action_splash_settings", 5, action_splash_settings},
    {"action_highscore_show", 5, action_highscore_show},
    {"action_highscore_clear", 0, action_highscore_clear},
};
}  // namespace

FunctionFamily DialogFunctions() { return kDialogFunctions; }
