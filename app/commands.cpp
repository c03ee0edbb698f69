#include "app/command.h"

namespace quorix::app {

extern const Command kVersionCommand;
extern const Command kPrefsCommand;
extern const Command kInfoCommand;
extern const Command kMakeCommand;
extern const Command kVerifyCommand;
extern const Command kBeatsCommand;
extern const Command kPluginsCommand;
extern const Command kPictureCommand;

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
      kVersionCommand,
      kPrefsCommand,
      kInfoCommand,
      kMakeCommand,
      kVerifyCommand,
      kBeatsCommand,
      kPluginsCommand,
      kPictureCommand,
  };
  return table;
}

}  // namespace quorix::app
