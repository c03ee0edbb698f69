// quorix: the Linux face of the Quorix Visualizer engine.
#include <cstdio>
#include <string>
#include <vector>

#include "app/command.h"
#include "host/base_folder.h"

namespace quorix::app {

int fail(int code, const std::string& message) {
  std::fprintf(stderr, "quorix: %s\n", message.c_str());
  return code;
}

bool wantsHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "-h" || arg == "--help") return true;
  }
  return false;
}

std::string baseFolderOf(const GlobalOptions& options) {
  if (options.baseFolder.empty()) return host::engineBaseFolder();
  std::string folder = options.baseFolder;
  if (folder.back() != '/') folder += '/';
  return folder;
}

namespace {

void printHelp(FILE* out) {
  std::fprintf(out,
               "Usage: quorix [--base-folder DIR] COMMAND [ARGS...]\n"
               "\n"
               "Quorix Visualizer turns music into moving pictures.\n"
               "\n"
               "Commands:\n");
  for (const Command& command : commands()) {
    std::fprintf(out, "  %-10s %s\n", command.name, command.summary);
  }
  std::fprintf(out,
               "\n"
               "Options:\n"
               "  --base-folder DIR  use DIR as the engine's base folder (where plug-ins,\n"
               "                     visuals and the preferences file live) instead of the\n"
               "                     folder of the engine library\n"
               "  -h, --help         show this help; 'quorix COMMAND --help' for a command\n"
               "  --version          same as 'quorix version'\n");
}

}  // namespace

int run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  GlobalOptions options;
  size_t i = 0;
  while (i < args.size() && args[i].rfind("-", 0) == 0) {
    if (args[i] == "-h" || args[i] == "--help") {
      printHelp(stdout);
      return kExitOk;
    }
    if (args[i] == "--version") {
      args[i] = "version";
      break;
    }
    if (args[i] == "--base-folder") {
      if (i + 1 >= args.size()) return fail(kExitUsage, "--base-folder needs a folder");
      options.baseFolder = args[i + 1];
      i += 2;
      continue;
    }
    return fail(kExitUsage, "unknown option '" + args[i] + "' (see 'quorix --help')");
  }
  if (i >= args.size()) {
    printHelp(stderr);
    return kExitUsage;
  }
  const std::string& name = args[i];
  std::vector<std::string> rest(args.begin() + static_cast<long>(i) + 1, args.end());
  for (const Command& command : commands()) {
    if (name != command.name) continue;
    if (wantsHelp(rest)) {
      std::fputs(command.help, stdout);
      return kExitOk;
    }
    return command.run(options, rest);
  }
  return fail(kExitUsage, "unknown command '" + name + "' (see 'quorix --help')");
}

}  // namespace quorix::app

int main(int argc, char** argv) { return quorix::app::run(argc, argv); }
