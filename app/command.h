// The commands of the quorix program: each is a name, a one-line summary, its help text and a
// function; main() dispatches through one table.
#pragma once

#include <string>
#include <vector>

namespace quorix::app {

enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1, // the work failed: a missing, damaged or unwritable file
  kExitUsage = 2,   // a bad command line
};

// Options that come before the command name.
struct GlobalOptions {
  std::string baseFolder; // the engine's base folder; empty: the folder of the engine library
};

struct Command {
  const char* name;
  const char* summary;
  const char* help;
  int (*run)(const GlobalOptions& options, const std::vector<std::string>& args);
};

// Every command, in the order --help lists them.
const std::vector<Command>& commands();

// Prints "quorix: <message>" on standard error and returns `code`.
int fail(int code, const std::string& message);

// True when the arguments ask for help (-h or --help anywhere).
bool wantsHelp(const std::vector<std::string>& args);

// The engine's base folder the options select.
std::string baseFolderOf(const GlobalOptions& options);

}  // namespace quorix::app
