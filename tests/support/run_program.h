// Runs a program of the build through the shell and collects what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace quorix::testing {

struct ProgramResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// Runs `program` with `args` in folder `workDir` (the current one when empty), with the
// environment assignments `env` ("NAME=value") added.
inline ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::vector<std::string>& env = {},
                                const std::string& workDir = "") {
  TempFolder capture;
  std::string command;
  if (!workDir.empty()) command += "cd " + shellQuote(workDir) + " && ";
  command += "env";
  for (const std::string& assignment : env) command += " " + shellQuote(assignment);
  command += " " + shellQuote(program);
  for (const std::string& arg : args) command += " " + shellQuote(arg);
  command += " >" + shellQuote(capture / "out") + " 2>" + shellQuote(capture / "err") + " </dev/null";
  int status = std::system(command.c_str());
  ProgramResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = readFile(capture / "out");
  result.err = readFile(capture / "err");
  return result;
}

}  // namespace quorix::testing
