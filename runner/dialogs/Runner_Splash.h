// Splash screens (images, text files, videos, web pages) and the game information window,
// both runner-drawn over the game window and shown modally, with the game not stepping.
#pragma once

#include <cstdint>
#include <string>

class CStream;

bool ShowSplashImage(const std::string& file, int32_t delay);
bool ShowSplashVideo(const std::string& file, bool loop);
bool ShowSplashText(const std::string& file, int32_t delay);
bool ShowSplashWeb(const std::string& url, int32_t delay);

// Chunk 14: the game information; false on a version other than 800.
bool LoadGameInformation(CStream& s);
void ShowGameInformation();
// load_info: an RTF or plain text file replaces the information text; false when unreadable.
bool LoadInformationFile(const std::string& file);
