// quorix make: builds a visual from its JSON description.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "app/command.h"
#include "app/file_alerts.h"
#include "common/json.h"
#include "document/visual_json.h"
#include "platform/files.h"

namespace quorix::app {
namespace {

const char kHelp[] =
    "Usage: quorix make VISUAL.json -o FILE.qrx\n"
    "\n"
    "Builds a visual from a JSON description: the form 'quorix info --json' prints, so that\n"
    "the output of 'quorix info FILE --json --extract DIR', saved in DIR, makes the same\n"
    "visual again. Members left out take their defaults: version 7, 640 x 480, 16 bits, one\n"
    "transparency level, MIDI channel 1, the built-in colour table, and for each key of a\n"
    "Patch no medium and no effect, placement 0, parameters 1, 1, 4, layer 1, flags 0.\n"
    "\n"
    "  \"patches\"     [{\"number\": 0..127, \"name\", \"keys\": [{\"key\": 0..127, \"media\":\n"
    "                 {\"kind\": \"picture\", \"index\": 0}, \"keyEffect\", \"placement\":\n"
    "                 [top, left, bottom, right], \"effectSettings\": 128 hex digits, ...}]}]\n"
    "  \"pictures\"    [{\"name\", \"file\": \"x.bmp\" | \"x.pct\", \"bounds\"}]: a Windows\n"
    "                 bitmap is stored as it is, a QuickDraw picture file without its\n"
    "                 512-byte header; bounds default to the picture's size\n"
    "  \"colorTable\"  \"default\", or {\"seed\", \"flags\", \"entries\": [[v, r, g, b], ...]}\n"
    "  \"blobs\", \"transparency\": {\"file\": ...}; \"tracks\": [{\"name\", \"events\":\n"
    "                 [[time, status, key, value], ...], \"settings\": {...}}]\n"
    "\n"
    "File names are relative to the folder of VISUAL.json. FILE.qrx is replaced only when\n"
    "the whole visual was written.\n"
    "\n"
    "Exit status: 0 made, 1 the description or a file it names is not valid or the visual\n"
    "cannot be written, 2 a bad command line.\n";

int runMake(const GlobalOptions&, const std::vector<std::string>& args) {
  std::string input;
  std::string output;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" || args[i] == "--output") {
      if (i + 1 >= args.size()) return fail(kExitUsage, "-o needs a file");
      output = args[++i];
    } else if (args[i].rfind("-", 0) == 0 || !input.empty()) {
      return fail(kExitUsage, "unexpected '" + args[i] + "' (see 'quorix make --help')");
    } else {
      input = args[i];
    }
  }
  if (input.empty() || output.empty()) {
    return fail(kExitUsage, "make needs VISUAL.json and -o FILE.qrx (see 'quorix make --help')");
  }

  std::ifstream in(input, std::ios::binary);
  if (!in) return fail(kExitFailure, "cannot read '" + input + "'");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  std::optional<Json> visual = Json::parse(text, &error);
  if (!visual) return fail(kExitFailure, input + ": " + error);

  // The visual is written beside its final place and moved there only when it is whole.
  std::string partial = platform::createFileBeside(output);
  if (partial.empty()) return fail(kExitFailure, "cannot write '" + output + "'");
  size_t slash = input.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : input.substr(0, slash);
  FileAlerts alerts(output);
  document::VisualWrite written = document::writeVisual(*visual, folder, partial, &error);
  if (written != document::VisualWrite::Written) {
    std::remove(partial.c_str());
    return fail(kExitFailure, written == document::VisualWrite::Invalid
                                  ? input + ": " + error
                                  : "cannot write '" + output + "' (" + error + ")");
  }
  if (!platform::replaceFile(partial, output)) {
    std::remove(partial.c_str());
    return fail(kExitFailure, "cannot write '" + output + "'");
  }
  return kExitOk;
}

}  // namespace

extern const Command kMakeCommand = {"make", "build a visual (.qrx) from a JSON description",
                                     kHelp, runMake};

}  // namespace quorix::app
