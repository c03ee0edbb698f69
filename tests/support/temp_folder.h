// A fresh folder under the system's temporary directory, removed with everything in it when
// the test ends.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quorix::testing {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorix-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    path_ = mkdtemp(buffer.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // `relative` inside the folder.
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  // Writes a file (creating its folders) and returns its full path.
  std::string write(const std::string& relative, const std::string& contents) const {
    std::string full = *this / relative;
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << contents;
    return full;
  }
  std::string makeFolder(const std::string& relative) const {
    std::string full = *this / relative;
    std::filesystem::create_directories(full);
    return full;
  }

 private:
  std::string path_;
};

// The whole contents of a file ("" when it cannot be read).
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets an environment variable for a scope and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      had_ = true;
      old_ = old;
    }
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

// Runs a function with the current directory set to `folder`, then restores it.
template <typename F>
void inFolder(const std::string& folder, F&& body) {
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  body();
  std::filesystem::current_path(previous);
}

}  // namespace quorix::testing
