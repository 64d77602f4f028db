#include "runner/shell/Runner_Load.h"

bool FileHasGameData(const std::string&) { return false; }
bool LoadGameData(const std::string&) { return false; }
bool PrepareGame() { return true; }
