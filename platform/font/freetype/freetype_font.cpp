// The font backend over FreeType.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <sys/stat.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>

#include "common/cp1252.h"
#include "platform/font/font.h"

namespace quorix::platform {
namespace {

std::atomic<const std::vector<std::string>*> gSearchList{nullptr};

bool fileExists(const std::string& path) {
  struct stat info;
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The bold or italic member of a family whose files are named "...-Regular.ttf", when it is
// installed beside the regular one.
std::string styledFile(const std::string& regular, bool bold, bool italic) {
  if (!bold && !italic) return regular;
  size_t at = regular.rfind("-Regular.");
  if (at == std::string::npos) return regular;
  std::string style = bold && italic ? "-BoldItalic." : bold ? "-Bold." : "-Italic.";
  std::string styled = regular.substr(0, at) + style + regular.substr(at + 9);
  return fileExists(styled) ? styled : regular;
}

class FreeTypeFont : public Font {
 public:
  explicit FreeTypeFont(const FontRequest& request) : request_(request) {
    advances_.fill(0);
    std::string regular = findFontFile();
    if (regular.empty()) {
      status_ = FontStatus::FileMissing;
      return;
    }
    std::string path = styledFile(regular, request.bold, request.italic);
    synthBold_ = request.bold && path == regular;
    synthItalic_ = request.italic && path == regular;
    if (FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      status_ = FontStatus::LibraryFailed;
      return;
    }
    if (FT_New_Face(library_, path.c_str(), 0, &face_) != 0) {
      face_ = nullptr;
      status_ = FontStatus::LibraryFailed;
      return;
    }
    int pixels = request.pixelHeight < 0 ? -request.pixelHeight : request.pixelHeight;
    if (pixels < 1 || pixels > 2048 || FT_Set_Pixel_Sizes(face_, 0, pixels) != 0) {
      status_ = FontStatus::SizeFailed;
      return;
    }
    const FT_Size_Metrics& sm = face_->size->metrics;
    metrics_.ascent = static_cast<int>((sm.ascender + 63) >> 6);
    metrics_.descent = static_cast<int>((-sm.descender + 63) >> 6);
    metrics_.height = metrics_.ascent + metrics_.descent;
    for (int c = 0; c < 256; ++c) {
      if (load(static_cast<uint8_t>(c), FT_LOAD_DEFAULT)) {
        advances_[c] = static_cast<int>((face_->glyph->advance.x + 32) >> 6);
      }
      if (advances_[c] > metrics_.maxCharWidth) metrics_.maxCharWidth = advances_[c];
    }
    status_ = FontStatus::Ready;
  }

  ~FreeTypeFont() override {
    if (face_ != nullptr) FT_Done_Face(face_);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }

  FontStatus status() const override { return status_; }
  const FontRequest& request() const override { return request_; }
  const FontMetrics& metrics() const override { return metrics_; }
  int advance(uint8_t character) const override { return advances_[character]; }

  bool render(uint8_t character, bool antialiased, GlyphBitmap& out) const override {
    out = GlyphBitmap{};
    if (status_ != FontStatus::Ready) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    FT_Int32 flags = antialiased ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
    if (!load(character, flags)) return false;
    FT_GlyphSlot slot = face_->glyph;
    if (synthBold_) FT_GlyphSlot_Embolden(slot);
    if (FT_Render_Glyph(slot, antialiased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) {
      return false;
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.width == 0 || bitmap.rows == 0) return false;
    out.width = static_cast<int>(bitmap.width);
    out.rows = static_cast<int>(bitmap.rows);
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.coverage.assign(static_cast<size_t>(out.width) * out.rows, 0);
    for (int y = 0; y < out.rows; ++y) {
      const uint8_t* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
      uint8_t* to = out.coverage.data() + static_cast<size_t>(y) * out.width;
      for (int x = 0; x < out.width; ++x) {
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
          to[x] = (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? 255 : 0;
        } else {
          to[x] = row[x];
        }
      }
    }
    return true;
  }

 private:
  // Loads the glyph of a character into the face's slot; false when the font has none.
  bool load(uint8_t character, FT_Int32 flags) const {
    FT_UInt index = FT_Get_Char_Index(face_, cp1252CodePoint(character));
    if (index == 0 && character != 0x20) return false;
    if (synthItalic_) {
      FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees
      FT_Set_Transform(face_, &shear, nullptr);
    }
    bool loaded = FT_Load_Glyph(face_, index, flags) == 0;
    if (synthItalic_) FT_Set_Transform(face_, nullptr, nullptr);
    return loaded;
  }

  FontRequest request_;
  FontStatus status_ = FontStatus::LibraryFailed;
  FontMetrics metrics_;
  std::array<int, 256> advances_{};
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  bool synthBold_ = false;
  bool synthItalic_ = false;
  mutable std::mutex mutex_;  // a face renders one glyph at a time
};

}  // namespace

std::shared_ptr<Font> Font::open(const FontRequest& request) {
  return std::make_shared<FreeTypeFont>(request);
}

std::vector<std::string> fontSearchList() {
  if (const std::vector<std::string>* list = gSearchList.load()) return *list;
  std::vector<std::string> list;
  if (const char* chosen = std::getenv("QUORIX_FONT"); chosen != nullptr && *chosen != 0) {
    list.emplace_back(chosen);
  }
  for (const char* path : {"/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
                           "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
                           "/usr/share/fonts/liberation/LiberationSans-Regular.ttf",
                           "/usr/share/fonts/liberation-sans/LiberationSans-Regular.ttf",
                           "/usr/local/share/fonts/LiberationSans-Regular.ttf"}) {
    list.emplace_back(path);
  }
  return list;
}

std::string findFontFile() {
  for (const std::string& path : fontSearchList()) {
    if (fileExists(path)) return path;
  }
  return {};
}

void setFontSearchList(const std::vector<std::string>* list) { gSearchList.store(list); }

}  // namespace quorix::platform
