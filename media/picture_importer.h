// Picture importers: each handles one picture format, named by its format code (the `format`
// of a picture entry). Three kinds exist: QuickDraw pictures ("PICT", drawn by the media
// platform), Windows bitmaps (format 0, the built-in decoder) and file-I/O plug-ins (their own
// code, plugin/file_importer.h).
//
// [render thread]
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "plugin_sdk/quorix_types.h"
#include "render/offscreen_port.h"

namespace quorix::media {

inline constexpr FourCC kQuickDrawFormat = 0x50494354;  // 'PICT'
inline constexpr FourCC kBitmapFormat = 0;

class PictureImporter {
 public:
  explicit PictureImporter(FourCC format) : format_(format) {}
  virtual ~PictureImporter() = default;
  PictureImporter(const PictureImporter&) = delete;
  PictureImporter& operator=(const PictureImporter&) = delete;

  // The format code it handles (each importer handles one).
  FourCC format() const { return format_; }

  // The picture data of a file, or null.
  virtual MemHandle loadFile(const std::string& path) = 0;
  // The picture's frame: true and *bounds set when it is known; false and *bounds zeroed.
  virtual bool getBounds(MemHandle data, Rect16* bounds) = 0;
  // Draws the picture data scaled to `frame` into `target`: true when it was drawn.
  virtual bool draw(MemHandle data, const Rect16& frame, render::OffscreenPort* target) = 0;
  // The importer's format code when it takes files of type `type`, else 0.
  virtual FourCC acceptsType(FourCC type) = 0;
  // Adds the importer's entries to the Open dialog's filter list.
  virtual void addFileFilter() = 0;

 private:
  FourCC format_;
};

// The built-in kinds; null when memory runs out.
std::unique_ptr<PictureImporter> makeQuickDrawImporter();
std::unique_ptr<PictureImporter> makeBitmapImporter();

}  // namespace quorix::media
