#include "app/command.h"

namespace quorix::app {

extern const Command kVersionCommand;
extern const Command kPrefsCommand;

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
      kVersionCommand,
      kPrefsCommand,
  };
  return table;
}

}  // namespace quorix::app
