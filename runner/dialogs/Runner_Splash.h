// Splash screens (images, text files, videos, web pages) and the game information window,
// runner-drawn over the game window or in a window of their own. Over the game window, or with
// the interrupt (pause) setting on, they are modal and the game does not step; otherwise their
// window stays open beside the running game, served between steps until it ends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CStream;

bool ShowSplashImage(const std::string& file, int32_t delay);
// An image splash as the current settings would show it, not shown, for driving it with input
// events; null when the picture cannot be read.
class TModalDialog;
std::unique_ptr<TModalDialog> MakeImageSplash(const std::string& file, int32_t delay);
bool ShowSplashVideo(const std::string& file, bool loop);
bool ShowSplashText(const std::string& file, int32_t delay);
bool ShowSplashWeb(const std::string& url, int32_t delay);
// What a web page splash shows of a local page: the text without tags, entities read, a line
// break where a block or line ends.
std::string WebPageText(const std::string& html);
// Between steps: the splash or information open beside the game takes its input and timers, and
// shows its newest picture.
void ServeBeside();
// The game shuts down: what is open beside it ends and the windows go.
void ShutdownDialogWindows();

// Chunk 14: the game information; false on a version other than 800.
bool LoadGameInformation(CStream& s);
void ShowGameInformation();
// load_info: an RTF or plain text file replaces the information text; false when unreadable.
bool LoadInformationFile(const std::string& file);
