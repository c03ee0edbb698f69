// quorix verify: checks a visual and lists its problems.
#include <cstdio>

#include "app/command.h"
#include "app/file_alerts.h"
#include "document/synth_check.h"
#include "document/synth_document.h"

namespace quorix::app {
namespace {

const char kHelp[] =
    "Usage: quorix verify FILE.qrx\n"
    "\n"
    "Opens the visual for reading (it is never written) and checks it: the chunk file's\n"
    "directory against the disk, every record as it is read, the sizes of its records, chunks\n"
    "that run past the end of the file, keys naming pictures, movies or 3D objects the visual\n"
    "does not have, and pictures without their data. Each problem is one line on standard\n"
    "error; a sound file prints 'FILE: sound'.\n"
    "\n"
    "Exit status: 0 sound, 1 a problem was found, 2 a bad command line.\n";

int runVerify(const GlobalOptions&, const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].rfind("-", 0) == 0) {
    return fail(kExitUsage, "verify takes one file (see 'quorix verify --help')");
  }
  const std::string& path = args[0];
  FileAlerts alerts(path);
  int32_t synth = document::openSynth(path, true);
  if (synth >= 0) {
    for (const std::string& problem : document::checkSynth(synth)) alerts.report(problem);
    document::closeSynth(synth, false);
  }
  if (!alerts.texts.empty()) return kExitFailure;
  std::printf("%s: sound\n", path.c_str());
  return kExitOk;
}

}  // namespace

extern const Command kVerifyCommand = {"verify", "check a visual (.qrx) and list its problems",
                                       kHelp, runVerify};

}  // namespace quorix::app
