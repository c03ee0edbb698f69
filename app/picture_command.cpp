// quorix picture: one picture of a visual, or a standalone bitmap or QuickDraw picture file,
// decoded as the engine decodes it and written as a PNG.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/command.h"
#include "app/file_alerts.h"
#include "common/color_table.h"
#include "common/fourcc.h"
#include "common/memory.h"
#include "common/png_writer.h"
#include "document/synth_document.h"
#include "document/synth_list.h"
#include "media/add_medium.h"
#include "media/importer_registry.h"
#include "media/media_host.h"
#include "media/movies.h"
#include "media/pictures.h"
#include "platform/media/media_platform.h"
#include "plugin/file_importer.h"
#include "plugin_sdk/status_codes.h"
#include "render/frame_buffer.h"

namespace quorix::app {
namespace {

const char kHelp[] =
    "Usage: quorix picture SOURCE [INDEX] -o OUT.png [--depth 8|16|32] [--scale 1|2]\n"
    "                      [--layout 555|565]\n"
    "\n"
    "Decodes a picture exactly as the engine does, through its picture importers (QuickDraw\n"
    "pictures, Windows bitmaps and the file-I/O plug-ins of the base folder), into a buffer\n"
    "of the engine's pixel depth and display scale, and writes it as a PNG.\n"
    "\n"
    "  SOURCE          a visual (.qrx), or a standalone .bmp or .pct file\n"
    "  INDEX           the picture of the visual, counted from 0 (default 0)\n"
    "  -o OUT.png      where to write the picture\n"
    "  --depth N       the engine's pixel depth: 8 (through the visual's colour table, or the\n"
    "                  default table for a standalone file), 16 or 32; default: the visual's\n"
    "                  depth, 32 for a standalone file\n"
    "  --scale N       the display scale: 2 keeps pictures at half size as pixel doubling\n"
    "                  does (default 1)\n"
    "  --layout L      the 16-bit layout, 555 or 565 (default 555)\n"
    "\n"
    "Exit status: 0 done, 1 a missing or damaged file or a picture that cannot be decoded,\n"
    "2 a bad command line.\n";

struct Options {
  std::string source;
  int32_t index = 0;
  std::string out;
  int depth = 0;  // 0: the visual's
  int scale = 1;
  uint32_t layout = QX_LAYOUT_555;
};

// The media host of the command: the display scale asked for; no Synth plays.
class PictureHost : public media::MediaHost {
 public:
  explicit PictureHost(float scale) : scale_(scale) {}
  float displayScale() override { return scale_; }

 private:
  float scale_;
};

bool parseNumber(const std::string& text, int* value) {
  try {
    size_t used = 0;
    const long number = std::stol(text, &used);
    if (used != text.size() || number < INT32_MIN || number > INT32_MAX) return false;
    *value = static_cast<int>(number);
    return true;
  } catch (...) {
    return false;
  }
}

int parse(const std::vector<std::string>& args, Options* options) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) return false;
      *out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "-o") {
      if (!value(&options->out)) return fail(kExitUsage, "-o needs a file name");
    } else if (arg == "--depth") {
      if (!value(&text) || !parseNumber(text, &options->depth) ||
          (options->depth != 8 && options->depth != 16 && options->depth != 32)) {
        return fail(kExitUsage, "--depth takes 8, 16 or 32");
      }
    } else if (arg == "--scale") {
      if (!value(&text) || (text != "1" && text != "2")) return fail(kExitUsage, "--scale takes 1 or 2");
      options->scale = text == "2" ? 2 : 1;
    } else if (arg == "--layout") {
      if (!value(&text) || (text != "555" && text != "565")) return fail(kExitUsage, "--layout takes 555 or 565");
      options->layout = text == "565" ? QX_LAYOUT_565 : QX_LAYOUT_555;
    } else if (!arg.empty() && arg[0] == '-') {
      return fail(kExitUsage, "unknown option '" + arg + "' (see 'quorix picture --help')");
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty() || positional.size() > 2) return fail(kExitUsage, "give one SOURCE and at most one INDEX");
  options->source = positional[0];
  if (positional.size() == 2 && (!parseNumber(positional[1], &options->index) || options->index < 0)) {
    return fail(kExitUsage, "INDEX must be a number from 0");
  }
  if (options->out.empty()) return fail(kExitUsage, "-o OUT.png is required");
  return kExitOk;
}

std::string lowerExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// The buffer's pixels as RGB rows: 8 bits through its colour table, 16 bits by the layout
// (each component's top bits repeated below it), 32 bits from the bytes blue, green, red.
std::vector<uint8_t> rgbOf(const render::OffscreenPort* port, uint32_t layout) {
  const render::PixelMap* map = render::pixelMapOf(port->pixMap);
  const int width = map->bounds.right - map->bounds.left, height = map->bounds.bottom - map->bounds.top;
  const ColorEntry* colors = colorTableEntries(map->colorTable);
  const int colorCount = colorTableCount(map->colorTable);
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(width) * height * 3);
  auto widen = [](uint32_t value, int bits) {
    value <<= 8 - bits;
    return static_cast<uint8_t>(value | (value >> bits));
  };
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(map->baseAddr) + static_cast<size_t>(y) * render::rowBytesOf(*map);
    for (int x = 0; x < width; ++x) {
      if (map->pixelSize == 8) {
        const ColorEntry entry = row[x] < colorCount ? colors[row[x]] : ColorEntry{};
        rgb.insert(rgb.end(), {static_cast<uint8_t>(entry.red >> 8), static_cast<uint8_t>(entry.green >> 8),
                               static_cast<uint8_t>(entry.blue >> 8)});
      } else if (map->pixelSize == 16) {
        const uint32_t p = static_cast<uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
        if (layout == QX_LAYOUT_565) {
          rgb.insert(rgb.end(), {widen(p >> 11 & 0x1F, 5), widen(p >> 5 & 0x3F, 6), widen(p & 0x1F, 5)});
        } else {
          rgb.insert(rgb.end(), {widen(p >> 10 & 0x1F, 5), widen(p >> 5 & 0x1F, 5), widen(p & 0x1F, 5)});
        }
      } else {
        rgb.insert(rgb.end(), {row[4 * x + 2], row[4 * x + 1], row[4 * x]});
      }
    }
  }
  return rgb;
}

// A standalone file becomes picture 0 of a new Synth whose data lives in a scratch file, so
// that it is decoded along the engine's own path. The Synth's index, or -1 after a message.
int32_t synthForFile(const std::string& path, const std::string& scratch, FileAlerts& alerts) {
  const std::string extension = lowerExtension(path);
  const FourCC type = extension == ".pct" || extension == ".pict" ? fourcc("PCT ") : fourcc("BMP ");
  media::PictureImporter* importer = media::importerRegistry().find(media::importerRegistry().acceptsType(type));
  if (importer == nullptr) {
    alerts.report("no picture importer takes this file");
    return -1;
  }
  MemHandle data = importer->loadFile(path);
  Rect16 bounds{};
  if (data == nullptr || !importer->getBounds(data, &bounds)) {
    disposeHandle(data);
    alerts.report("not a picture this engine decodes");
    return -1;
  }
  const int32_t synth = document::newSynth(scratch);
  int32_t added = synth < 0 ? QX_ERR_MEMORY
                            : media::addMedium(synth, std::filesystem::path(path).filename().string().c_str(), type,
                                               data->data, static_cast<int32_t>(data->size));
  disposeHandle(data);
  if (added < 0) {
    alerts.report("the picture could not be stored (error " + std::to_string(added) + ")");
    return -1;
  }
  return synth;
}

int decode(const Options& options, const std::string& scratch, FileAlerts& alerts) {
  const bool visual = lowerExtension(options.source) == ".qrx";
  const int32_t synth = visual ? document::openSynth(options.source, true) : synthForFile(options.source, scratch, alerts);
  if (synth < 0) return kExitFailure;

  int result = kExitOk;
  const document::PictureEntry* picture = document::pictureEntry(synth, options.index);
  if (picture == nullptr) {
    alerts.report("has no picture " + std::to_string(options.index));
    result = kExitFailure;
  } else {
    if (media::importerRegistry().find(picture->format) == nullptr) {
      alerts.report("no importer for picture format '" + fourccText(picture->format) + "': it stays blank");
    }
    render::FrameBuffer frame;
    const int32_t synthDepth = document::synthHeader(synth)->pixelDepth;
    render::setDepth(frame, static_cast<uint32_t>(options.depth != 0 ? options.depth : visual ? synthDepth : 32));
    const uint32_t layout = frame.depth == 16 ? options.layout
                            : frame.depth == 8 ? static_cast<uint32_t>(QX_LAYOUT_8BIT)
                                               : static_cast<uint32_t>(QX_LAYOUT_32BIT);
    render::setLayout(frame, layout);
    render::ScopedCurrentFrame current(frame);
    PictureHost host(static_cast<float>(options.scale));
    media::ScopedMediaHost scopedHost(host);
    const render::OffscreenPort* port = media::getPicture(synth, options.index);
    if (port == nullptr) {
      alerts.report("the picture could not be decoded (not enough memory, or an empty frame)");
      result = kExitFailure;
    } else {
      const render::PixelMap* map = render::pixelMapOf(port->pixMap);
      const int width = map->bounds.right - map->bounds.left, height = map->bounds.bottom - map->bounds.top;
      if (!writePng(options.out, width, height, rgbOf(port, frame.layoutCode))) {
        result = fail(kExitFailure, "cannot write '" + options.out + "'");
      } else {
        std::printf("%s: picture %d, %d x %d pixels at %u bits, written to %s\n", options.source.c_str(),
                    options.index, width, height, frame.depth, options.out.c_str());
      }
    }
    media::disposeMovies(synth, true, true);
  }
  document::synthSlot(synth)->modified = 0;
  document::closeSynth(synth, false);
  return result;
}

int runPicture(const GlobalOptions& globals, const std::vector<std::string>& args) {
  Options options;
  if (int status = parse(args, &options); status != kExitOk) return status;
  std::error_code error;
  if (!std::filesystem::is_regular_file(options.source, error)) {
    return fail(kExitFailure, "'" + options.source + "' is not a file that can be read");
  }
  FileAlerts alerts(options.source);
  const bool started = platform::startMediaPlatform() == 0;
  plugin::PluginManagerOptions load;
  load.folder = baseFolderOf(globals);
  plugin::PluginManager::Pointer manager = plugin::PluginManager::create(load);
  plugin::buildImporterRegistry(manager.get(), started);

  // Standalone files are stored in a scratch Synth of their own, removed afterwards.
  std::filesystem::path scratchFolder;
  std::random_device random;
  do {
    scratchFolder = std::filesystem::temp_directory_path(error) / ("quorix-picture-" + std::to_string(random()));
  } while (std::filesystem::exists(scratchFolder, error));
  std::filesystem::create_directories(scratchFolder, error);
  const int result = decode(options, (scratchFolder / "picture.qrx").string(), alerts);
  std::filesystem::remove_all(scratchFolder, error);

  media::importerRegistry().clear();
  manager.reset();
  platform::stopMediaPlatform();
  return result;
}

}  // namespace

extern const Command kPictureCommand = {"picture", "decode a picture of a visual (or a .bmp/.pct file) to PNG",
                                        kHelp, runPicture};

}  // namespace quorix::app
