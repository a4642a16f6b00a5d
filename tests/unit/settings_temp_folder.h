#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tabulon::testing_support {

// A fresh folder per test, removed with everything in it afterwards.
class TempFolder {
 public:
  TempFolder() : path_(::testing::TempDir() + "tabulon-settings-XXXXXX") {
    if (mkdtemp(path_.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << path_;
  }
  ~TempFolder() { std::filesystem::remove_all(path_, ignored_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::error_code ignored_;
};

inline void WriteRaw(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadRaw(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

}  // namespace tabulon::testing_support
