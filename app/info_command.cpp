// quorix info: what a visual holds, as a summary or as JSON.
#include <cstdio>
#include <string>

#include "app/command.h"
#include "app/file_alerts.h"
#include "common/json.h"
#include "document/synth_document.h"
#include "document/visual_json.h"

namespace quorix::app {
namespace {

const char kHelp[] =
    "Usage: quorix info FILE.qrx [--json] [--extract DIR]\n"
    "\n"
    "Opens the visual for reading (it is never written) and prints what it holds: its\n"
    "header, its Patches with the keys they use, pictures, movies, 3D objects, colour\n"
    "table, blobs and recorded tracks.\n"
    "\n"
    "  --json         print one JSON object instead: the chunk directory (\"chunks\"), then\n"
    "                 every record field by field; 'quorix make' reads the same form\n"
    "  --extract DIR  also write each picture's data (.bmp, or .pct with a 512-byte\n"
    "                 header), the transparency tables and every blob into DIR, and name\n"
    "                 the files in the JSON (relative to DIR: save the JSON there to make\n"
    "                 the visual again)\n"
    "\n"
    "Exit status: 0 done, 1 the file is missing or damaged (the reason on standard error),\n"
    "2 a bad command line.\n";

std::string quoted(const Json& value) { return "\"" + value.asString() + "\""; }

std::string rectText(const Json& r) {
  return "(" + std::to_string(r[1].asInteger()) + ", " + std::to_string(r[0].asInteger()) +
         ")-(" + std::to_string(r[3].asInteger()) + ", " + std::to_string(r[2].asInteger()) + ")";
}

std::string codeText(const Json& code) {
  return code.isString() ? code.asString() : std::to_string(code.asInteger());
}

std::string sizeText(const Json& bytes) {
  return bytes.isNull() ? "no data" : std::to_string(bytes.asInteger()) + " bytes";
}

void printSummary(const std::string& path, const Json& v) {
  const Json& h = v["header"];
  int freed = 0;
  for (const Json& chunk : v["chunks"].items()) freed += chunk["type"].isNull() ? 1 : 0;
  std::printf("%s: %zu chunks (%d freed)\n", path.c_str(), v["chunks"].size(), freed);
  std::printf("Synth version %lld, %lld x %lld pixels, %lld bits, %lld transparency level(s)\n",
              static_cast<long long>(h["version"].asInteger()),
              static_cast<long long>(h["screenWidth"].asInteger()),
              static_cast<long long>(h["screenHeight"].asInteger()),
              static_cast<long long>(h["pixelDepth"].asInteger()),
              static_cast<long long>(h["transparencyLevels"].asInteger()));
  std::printf("  current Patch %lld, MIDI channel %lld, Synth flags 0x%04llx, render flags "
              "0x%08llx, movies %s\n",
              static_cast<long long>(h["currentPatch"].asInteger()),
              static_cast<long long>(h["midiChannel"].asInteger()),
              static_cast<unsigned long long>(h["synthFlags"].asInteger()),
              static_cast<unsigned long long>(h["renderFlags"].asInteger()),
              h["moviesKeepOriginalPath"].asInteger() == 1 ? "at their stored path first"
                                                            : "beside the file");

  std::printf("Patches: %zu\n", v["patches"].size());
  for (const Json& patch : v["patches"].items()) {
    std::string used;
    int count = 0;
    for (const Json& key : patch["keys"].items()) {
      if (key["keyMedia"].asInteger() == 0 && key["keyEffect"].asInteger() == 0) continue;
      ++count;
      std::string line = "    key " + std::to_string(key["key"].asInteger()) + ":";
      const Json& media = key["media"];
      if (!media.isNull()) {
        line += " " + media["kind"].asString() + " " + std::to_string(media["index"].asInteger());
      }
      if (key["keyEffect"].asInteger() != 0) {
        line += " effect " + std::to_string(key["keyEffect"].asInteger());
        if (key["keyEffect"].asInteger() >= 9) line += " '" + key["effectSettings"].asString().substr(0, 8) + "'";
      }
      line += ", placement " + rectText(key["placement"]) + ", layer " +
              std::to_string(key["layerParam"].asInteger());
      used += line + "\n";
    }
    std::printf("  %lld %s: %d key(s) used\n%s", static_cast<long long>(patch["number"].asInteger()),
                quoted(patch["name"]).c_str(), count, used.c_str());
  }

  std::printf("Pictures: %zu\n", v["pictures"].size());
  size_t index = 0;
  for (const Json& p : v["pictures"].items()) {
    const Json& b = p["bounds"];
    std::string format = p["format"].isInteger() && p["format"].asInteger() == 0
                             ? "bitmap"
                             : codeText(p["format"]);
    std::printf("  %zu %s: %lld x %lld, %s, %s\n", index++, quoted(p["name"]).c_str(),
                static_cast<long long>(b[3].asInteger() - b[1].asInteger()),
                static_cast<long long>(b[2].asInteger() - b[0].asInteger()), format.c_str(),
                sizeText(p["dataSize"]).c_str());
  }
  std::printf("Movies: %zu\n", v["movies"].size());
  index = 0;
  for (const Json& m : v["movies"].items()) {
    std::printf("  %zu %s on %s, frame %s\n", index++, quoted(m["fileName"]).c_str(),
                quoted(m["volumeName"]).c_str(), rectText(m["frame"]).c_str());
  }
  std::printf("3D objects: %zu\n", v["objects"].size());
  index = 0;
  for (const Json& o : v["objects"].items()) {
    std::printf("  %zu %s\n", index++, quoted(o["name"]).c_str());
  }
  std::printf("Colour table: %zu entries\n", v["colorTable"]["entries"].size());
  const Json& transparency = v["transparency"];
  std::printf("Transparency tables: %s\n",
              transparency.isNull() ? "none" : sizeText(transparency["size"]).c_str());
  std::printf("Blobs: %zu\n", v["blobs"].size());
  for (const Json& b : v["blobs"].items()) {
    std::string tag = b["tag"].isInteger() && b["tag"].asInteger() == 0 ? "" : " '" + codeText(b["tag"]) + "'";
    std::printf("  id %lld%s: %s\n", static_cast<long long>(b["id"].asInteger()), tag.c_str(),
                sizeText(b["size"]).c_str());
  }
  std::printf("Tracks: %zu\n", v["tracks"].size());
  index = 0;
  for (const Json& t : v["tracks"].items()) {
    const auto& events = t["events"].items();
    long long ticks = events.empty() ? 0 : events.back()[0].asInteger();
    std::printf("  %zu %s: %lld of %lld events, %lld:%05.2f long\n", index++,
                quoted(t["name"]).c_str(), static_cast<long long>(t["eventCount"].asInteger()),
                static_cast<long long>(t["capacity"].asInteger()), ticks / 3600,
                static_cast<double>(ticks % 3600) / 60.0);
  }
  std::printf("Window placements: %zu\n", v["placements"].size());
}

int runInfo(const GlobalOptions&, const std::vector<std::string>& args) {
  std::string path;
  std::string extract;
  bool json = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--extract") {
      if (i + 1 >= args.size()) return fail(kExitUsage, "--extract needs a folder");
      extract = args[++i];
    } else if (args[i].rfind("-", 0) == 0 || !path.empty()) {
      return fail(kExitUsage, "unexpected '" + args[i] + "' (see 'quorix info --help')");
    } else {
      path = args[i];
    }
  }
  if (path.empty()) return fail(kExitUsage, "info needs a file (see 'quorix info --help')");

  FileAlerts alerts(path);
  int32_t synth = document::openSynth(path, true);
  if (synth < 0) return kExitFailure;  // the reason was shown
  std::string error;
  std::optional<Json> visual = document::describeSynth(synth, extract, &error);
  document::closeSynth(synth, false);
  if (!visual) return fail(kExitFailure, path + ": " + error);
  if (json) {
    std::printf("%s\n", visual->dump(2).c_str());
  } else {
    printSummary(path, *visual);
  }
  return kExitOk;
}

}  // namespace

extern const Command kInfoCommand = {"info", "show what a visual (.qrx) holds, or its JSON",
                                     kHelp, runInfo};

}  // namespace quorix::app
