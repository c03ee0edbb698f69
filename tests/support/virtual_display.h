// A virtual X display for tests of the SDL backends: starts its own Xvfb on a free display
// number and ends it (by its process id) when the test ends.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace quorix::testing {

class VirtualDisplay {
 public:
  // Empty when it runs; else why it could not start (no Xvfb, no free display).
  std::string start(const std::string& screen = "640x480x24") {
    std::string program = findProgram("Xvfb");
    if (program.empty()) return "Xvfb is not installed";
    for (int number = 90 + getpid() % 100; number < 400; number += 7) {
      std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
      struct stat info;
      if (stat(lock.c_str(), &info) == 0) continue;
      std::string display = ":" + std::to_string(number);
      pid_t child = fork();
      if (child == 0) {
        int null = open("/dev/null", 1);
        dup2(null, 1);
        dup2(null, 2);
        execl(program.c_str(), "Xvfb", display.c_str(), "-screen", "0", screen.c_str(),
              "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
      }
      if (child < 0) return "cannot start Xvfb";
      std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
      for (int i = 0; i < 100; ++i) {
        if (stat(socket.c_str(), &info) == 0) {
          pid_ = child;
          setenv("DISPLAY", display.c_str(), 1);
          return {};
        }
        int status;
        if (waitpid(child, &status, WNOHANG) == child) break;  // it gave up: try another
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      kill(child, SIGTERM);
      waitpid(child, nullptr, 0);
    }
    return "no free display number for Xvfb";
  }

  ~VirtualDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  static std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
      size_t end = folders.find(':', start);
      if (end == std::string::npos) end = folders.size();
      std::string candidate = folders.substr(start, end - start) + "/" + name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
      start = end + 1;
    }
    return {};
  }

  pid_t pid_ = -1;
};

}  // namespace quorix::testing
