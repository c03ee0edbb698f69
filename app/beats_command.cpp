// quorix beats: the beat tracker over an audio file.
#include <cmath>
#include <cstdio>

#include "app/beat_run.h"
#include "app/beat_tracker_service.h"
#include "app/command.h"
#include "common/json.h"

namespace quorix::app {
namespace {

const char kHelp[] =
    "Usage: quorix beats FILE [--json]\n"
    "\n"
    "Runs the engine's beat tracker over an audio file (WAV, FLAC, MP3, Ogg Vorbis,\n"
    "Opus, AAC or anything else FFmpeg reads) the way the engine feeds it: blocks of\n"
    "1024 samples per channel at 44100 Hz, 8 bits, stamped with their time.\n"
    "\n"
    "Prints one line per beat the tracker reports, its time in seconds and the beat\n"
    "period in milliseconds, and last the median tempo in beats per minute:\n"
    "  0.557 s  568 ms\n"
    "  ...\n"
    "  tempo 120.2 bpm\n"
    "\n"
    "  --json  print {\"beats\": [{\"time\": s, \"period\": ms}, ...], \"tempo\": bpm,\n"
    "          \"blocks\": n} instead (tempo null when there is no beat)\n"
    "\n"
    "The tracker is the 'BTRK' service plug-in (pulsefinder.kpl) of the engine's base\n"
    "folder.\n"
    "\n"
    "Exit status: 0 done, 1 the file cannot be decoded or no tracker was found,\n"
    "2 a bad command line.\n";

void printText(const BeatReport& report) {
  for (const BeatReport::Beat& beat : report.beats) {
    std::printf("%.3f s  %u ms\n", beat.milliseconds / 1000.0, beat.period);
  }
  if (report.beats.empty()) {
    std::printf("tempo none (no beats)\n");
  } else {
    std::printf("tempo %.1f bpm\n", medianTempo(report));
  }
}

void printJson(const BeatReport& report) {
  Json beats = Json::array();
  for (const BeatReport::Beat& beat : report.beats) {
    beats.push(Json::object({{"time", beat.milliseconds / 1000.0}, {"period", beat.period}}));
  }
  const double tempo = medianTempo(report);
  Json out = Json::object({{"beats", std::move(beats)},
                           {"tempo", report.beats.empty() ? Json() : Json(std::round(tempo * 10) / 10)},
                           {"blocks", report.blocks}});
  std::printf("%s\n", out.dump(2).c_str());
}

int runBeats(const GlobalOptions& options, const std::vector<std::string>& args) {
  std::string file;
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg.rfind("-", 0) == 0 && arg != "-") {
      return fail(kExitUsage, "beats: unknown option '" + arg + "'");
    } else if (file.empty()) {
      file = arg;
    } else {
      return fail(kExitUsage, "beats takes one audio file");
    }
  }
  if (file.empty()) return fail(kExitUsage, "beats needs an audio file (see 'quorix beats --help')");

  std::string error;
  std::unique_ptr<platform::AudioStream> audio = platform::openAudioFile(file, error);
  if (!audio) return fail(kExitFailure, error);

  const std::string baseFolder = baseFolderOf(options);
  std::unique_ptr<BeatTrackerService> service = BeatTrackerService::find(baseFolder);
  if (!service) {
    return fail(kExitFailure, "no beat tracker ('BTRK' service) in " + baseFolder);
  }
  const BeatTrackerTable& tracker = service->table();
  if (tracker.open(platform::kAudioSampleRate, kBeatBlockSize) != 0) {
    return fail(kExitFailure, "the beat tracker could not allocate its buffers");
  }
  BeatReport report;
  const bool tracked = trackBeats(*audio, tracker, report, error);
  tracker.close();
  if (!tracked) return fail(kExitFailure, error);
  if (report.blocks == 0) return fail(kExitFailure, "'" + file + "' holds no audio");

  if (json) {
    printJson(report);
  } else {
    printText(report);
  }
  return kExitOk;
}

}  // namespace

extern const Command kBeatsCommand = {"beats", "find the beats of an audio file", kHelp, runBeats};

}  // namespace quorix::app
