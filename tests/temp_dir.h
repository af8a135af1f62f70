#pragma once
#include <cstdlib>
#include <string>

#include <stdlib.h>

namespace glimmerkin {

// A fresh folder under /tmp for one test, removed with all it holds.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/glimmerkin_test.XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made != nullptr ? made : "";
  }
  ~TempDir() {
    const std::string command = "rm -rf '" + path_ + "'";
    if (!path_.empty() && std::system(command.c_str()) != 0) {
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace glimmerkin
