// The QuickDraw picture importer: ".pct" files and "PICT" chunks, drawn by the media platform.
#include <fstream>
#include <new>

#include "common/byte_order.h"
#include "common/fourcc.h"
#include "common/memory.h"
#include "media/picture_importer.h"
#include "platform/media/media_platform.h"
#include "plugin_sdk/status_codes.h"
#include "render/buffer_descriptor.h"
#include "ui/open_dialog_filters.h"

namespace quorix::media {
namespace {

constexpr size_t kFileHeaderSize = 512;  // what a ".pct" file has before the picture
constexpr size_t kFrameEnd = 10;         // the size word and the frame

uint32_t reversed(FourCC code) {
  return ((code & 0xFF) << 24) | ((code & 0xFF00) << 8) | ((code >> 8) & 0xFF00) | (code >> 24);
}

class QuickDrawImporter : public PictureImporter {
 public:
  QuickDrawImporter() : PictureImporter(kQuickDrawFormat) {}

  // A file of more than its 512-byte header: the picture after the header.
  MemHandle loadFile(const std::string& path) override {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return nullptr;
    const std::streamoff size = in.tellg();
    if (size <= static_cast<std::streamoff>(kFileHeaderSize) || size > INT32_MAX) return nullptr;
    MemHandle data = newHandle(static_cast<uint32_t>(size - static_cast<std::streamoff>(kFileHeaderSize)));
    if (data == nullptr) return nullptr;
    in.seekg(static_cast<std::streamoff>(kFileHeaderSize));
    if (!in.read(static_cast<char*>(data->data), static_cast<std::streamsize>(data->size))) {
      disposeHandle(data);
      return nullptr;
    }
    return data;
  }

  // The picture frame: four big-endian 16-bit edges after the size word.
  bool getBounds(MemHandle data, Rect16* bounds) override {
    *bounds = Rect16{};
    if (data == nullptr || data->size < kFrameEnd) return false;
    const uint8_t* bytes = static_cast<const uint8_t*>(data->data);
    *bounds = Rect16{loadBE16s(bytes + 2), loadBE16s(bytes + 4), loadBE16s(bytes + 6), loadBE16s(bytes + 8)};
    return true;
  }

  bool draw(MemHandle data, const Rect16& frame, render::OffscreenPort* target) override {
    if (data == nullptr || target == nullptr) return false;
    return platform::drawQuickDrawPicture(static_cast<const uint8_t*>(data->data), data->size, frame,
                                          render::bufferDescFromPort(target)) == QX_OK;
  }

  // "PICT" and "PCT ", and "PCT " and "PIC " as their bytes reversed.
  FourCC acceptsType(FourCC type) override {
    for (FourCC known : {fourcc("PICT"), fourcc("PCT "), reversed(fourcc("PCT ")), reversed(fourcc("PIC "))}) {
      if (type == known) return kQuickDrawFormat;
    }
    return 0;
  }

  void addFileFilter() override { ui::openDialogFilters().add("Mac Pict File (*.PCT)", "*.PCT"); }
};

}  // namespace

std::unique_ptr<PictureImporter> makeQuickDrawImporter() {
  return std::unique_ptr<PictureImporter>(new (std::nothrow) QuickDrawImporter());
}

}  // namespace quorix::media
