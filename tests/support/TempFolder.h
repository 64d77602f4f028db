// A scratch folder per test, removed afterwards.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    static std::atomic<int> counter{0};
    path = std::filesystem::temp_directory_path() /
           ("shell_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(path);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string str() const { return path.string(); }
};
