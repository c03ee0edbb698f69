// Outline fonts rendered to coverage bitmaps: the engine's text ("Arial" on its original
// platform) drawn with Liberation Sans, whose metrics match Arial's, at 96 pixels per inch.
//
// A Font is one face at one pixel size. Characters are Windows-1252 bytes, the code page of the
// engine's strings. Glyphs come either anti-aliased (coverage 0..255) or monochrome (0 or 255),
// as a device would draw them on a deep or a palette surface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorix::platform {

inline constexpr int kScreenPixelsPerInch = 96;

enum class FontStatus {
  Ready = 0,
  FileMissing,    // no font file was found on the search list
  LibraryFailed,  // the font library could not start or could not read the file
  SizeFailed,     // the face refused the asked size
};

struct FontMetrics {
  int height = 0;        // ascent + descent, pixels: the height of a line's cell
  int ascent = 0;        // baseline to the top of the cell
  int descent = 0;       // baseline to the bottom of the cell
  int maxCharWidth = 0;  // the widest advance among the characters 0..255
};

// One rendered character. Row 0 of `coverage` is the glyph's top row, which lies `top` pixels
// above the baseline; column 0 lies `left` pixels right of the pen.
struct GlyphBitmap {
  int width = 0;
  int rows = 0;
  int left = 0;
  int top = 0;
  std::vector<uint8_t> coverage;  // width x rows bytes
};

struct FontRequest {
  // Character height (the em square) in pixels; the value's sign is ignored.
  int pixelHeight = 12;
  bool bold = false;
  bool italic = false;
};

class Font {
 public:
  // Opens the sans-serif face for a request. Never null: a font that could not be made says so
  // in its status, measures every character as 0 and renders nothing.
  static std::shared_ptr<Font> open(const FontRequest& request);

  virtual ~Font() = default;
  virtual FontStatus status() const = 0;
  virtual const FontRequest& request() const = 0;
  virtual const FontMetrics& metrics() const = 0;
  // The advance width of a Windows-1252 character, whole pixels.
  virtual int advance(uint8_t character) const = 0;
  // Renders one character; false (and an empty bitmap) for characters without ink or a font
  // that is not ready.
  virtual bool render(uint8_t character, bool antialiased, GlyphBitmap& out) const = 0;
};

// The font files tried in order: $QUORIX_FONT when set, then Liberation Sans in the usual
// system folders.
std::vector<std::string> fontSearchList();
// The first file of the list that exists, or empty.
std::string findFontFile();

// Test seam: replaces the search list (an empty list means "no font anywhere"); a scope's end
// restores the default.
void setFontSearchList(const std::vector<std::string>* list);

class ScopedFontSearchList {
 public:
  explicit ScopedFontSearchList(std::vector<std::string> list) : list_(std::move(list)) {
    setFontSearchList(&list_);
  }
  ~ScopedFontSearchList() { setFontSearchList(nullptr); }
  ScopedFontSearchList(const ScopedFontSearchList&) = delete;
  ScopedFontSearchList& operator=(const ScopedFontSearchList&) = delete;

 private:
  std::vector<std::string> list_;
};

}  // namespace quorix::platform
