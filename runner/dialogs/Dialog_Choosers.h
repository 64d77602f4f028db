// The other windows games ask the player through: the pop-up menu, the colour chooser and the
// file and folder browser, all runner-drawn.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The menu's items from "a|-|b": separators ("-") are not numbered. Returns the chosen item's
// number, or -1 when nothing was chosen. (x, y) in window coordinates.
std::vector<std::string> MenuItems(const std::string& text);
int32_t ShowMenu(const std::string& text, int32_t x, int32_t y);

// The colour chooser: the chosen colour, or -1 when cancelled.
int32_t ChooseColor(int32_t start);

// A Windows filter "Text|*.txt;*.log|All|*.*" as (description, patterns) pairs.
std::vector<std::pair<std::string, std::vector<std::string>>> ParseFileFilter(const std::string& filter);
bool MatchesFilter(const std::vector<std::string>& patterns, const std::string& name);

// Tree: a folder at or below the one it starts in (the shell's folder browser).
enum class EBrowse { Open, Save, Folder, Tree };
// The chosen path, or "" when cancelled; the current directory is the same afterwards.
std::string BrowseFiles(EBrowse kind, const std::string& caption, const std::string& filter, const std::string& name,
                        const std::string& start);

// The windows themselves, as the modal loop runs them, for driving them with input events:
// Result() is what the functions above return (as text).
class TModalDialog;
std::unique_ptr<TModalDialog> MakeMenuWindow(const std::string& text, int32_t x, int32_t y);
std::unique_ptr<TModalDialog> MakeColorWindow(int32_t start);
std::unique_ptr<TModalDialog> MakeBrowserWindow(EBrowse kind, const std::string& caption, const std::string& filter,
                                                const std::string& name, const std::string& start);
