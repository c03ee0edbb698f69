#include <cstdio>

#include "app/command.h"
#include "ui/string_table.h"

namespace quorix::app {
namespace {

int runVersion(const GlobalOptions&, const std::vector<std::string>& args) {
  if (!args.empty()) return fail(kExitUsage, "version takes no arguments");
  std::printf("quorix %s (%s)\n", QUORIX_VERSION, ui::stringResource(ui::kStringLibraryName));
  return kExitOk;
}

}  // namespace

extern const Command kVersionCommand = {
    "version", "print the program's version",
    "Usage: quorix version\n\nPrints the program's version and the engine's name.\n", runVersion};

}  // namespace quorix::app
