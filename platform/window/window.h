// Windows, message queues and device contexts: the desktop services the engine's faces and
// its windowed output are written against.
//
// The model follows the classic desktop window manager. A window belongs to a registered class
// whose procedure receives its messages; each thread that makes windows has a message queue
// that holds posted messages, and timers, paint requests and the input of the thread's windows
// come out of it; hooks watch mouse, queue and keyboard traffic. Every window keeps its client
// area as a 32-bit surface, and drawing goes through device contexts: a window's own, or a
// memory context with a device-independent bitmap (8-bit with a colour table, 16-bit with bit
// fields, 24 or 32-bit) selected into it.
//
// A backend puts windows on a screen: the memory backend (memory/) keeps nothing but the
// surfaces, takes its input from tests and is the default; the SDL backend (sdl/) shows real
// windows and turns keyboard, mouse and window events into messages. Keys are Windows
// virtual-key codes; key data carries the repeat count, the scan code, bit 30 (the key was
// already down) and bit 31 (released).
//
// [threads] Windows, timers and paint belong to the thread that made the window; messages may
// be posted from any thread. Device contexts are used by one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plugin_sdk/quorix_types.h"

// The window record, named as the SDK's opaque WindowRef names it (window_internal.h).
struct QxWindow;

namespace quorix::platform {

using Window = QxWindow;
struct DeviceContext;
struct Bitmap;
class Font;

// ---------------------------------------------------------------------------------------------
// Geometry and colours

// A rectangle as the desktop gives it: left, top, right, bottom; right and bottom exclusive.
struct WinRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};
inline int32_t winRectWidth(const WinRect& r) { return r.right - r.left; }
inline int32_t winRectHeight(const WinRect& r) { return r.bottom - r.top; }
inline bool operator==(const WinRect& a, const WinRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct WinPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// A colour value 0x00BBGGRR.
using ColorRef = uint32_t;
constexpr ColorRef rgbColor(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<ColorRef>(red) | (static_cast<ColorRef>(green) << 8) |
         (static_cast<ColorRef>(blue) << 16);
}
constexpr uint8_t colorRed(ColorRef c) { return static_cast<uint8_t>(c); }
constexpr uint8_t colorGreen(ColorRef c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t colorBlue(ColorRef c) { return static_cast<uint8_t>(c >> 16); }

// ---------------------------------------------------------------------------------------------
// Messages

enum : uint32_t {
  kMsgCreate = 0x0001,
  kMsgDestroy = 0x0002,
  kMsgMove = 0x0003,         // lParam: client origin x (low 16 bits), y (high 16 bits)
  kMsgSize = 0x0005,         // lParam: client width (low), height (high)
  kMsgActivate = 0x0006,     // wParam: 0 inactive, 1 active
  kMsgSetFocus = 0x0007,
  kMsgKillFocus = 0x0008,
  kMsgPaint = 0x000F,
  kMsgClose = 0x0010,
  kMsgQuit = 0x0012,         // wParam: exit code; ends getMessage
  kMsgEraseBackground = 0x0014,
  kMsgActivateApp = 0x001C,  // wParam: 1 the application became active, 0 it lost activation
  kMsgDisplayChange = 0x007E,  // wParam: bits per pixel; lParam: width (low), height (high)
  kMsgKeyDown = 0x0100,      // wParam: virtual key; lParam: key data
  kMsgKeyUp = 0x0101,
  kMsgCommand = 0x0111,      // wParam: command id (low 16 bits)
  kMsgTimer = 0x0113,        // wParam: timer id
  kMsgMouseMove = 0x0200,    // lParam: client x (low 16 bits), y (high 16 bits), signed
  kMsgLeftButtonDown = 0x0201,
  kMsgLeftButtonUp = 0x0202,
  kMsgRightButtonDown = 0x0204,
  kMsgRightButtonUp = 0x0205,
  kMsgUser = 0x0400,
};

// The two 16-bit halves of a parameter, as mouse, move and size messages pack them.
constexpr intptr_t makeLParam(int32_t low, int32_t high) {
  return static_cast<intptr_t>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}
constexpr int32_t lParamX(intptr_t l) { return static_cast<int16_t>(l & 0xFFFF); }
constexpr int32_t lParamY(intptr_t l) { return static_cast<int16_t>((l >> 16) & 0xFFFF); }

// Key data of a key message: repeat count 1, the scan code, bit 30 when the key was already
// down (an auto-repeat) and, for releases, bits 30 and 31.
constexpr intptr_t keyData(uint32_t scanCode, bool wasDown, bool released) {
  uint32_t data = 1u | ((scanCode & 0xFFu) << 16);
  if (wasDown || released) data |= 1u << 30;
  if (released) data |= 1u << 31;
  return static_cast<intptr_t>(data);
}

// Virtual-key codes with a name of their own; letters and digits are their capital ASCII codes.
enum : uint32_t {
  kVkBack = 0x08, kVkTab = 0x09, kVkReturn = 0x0D, kVkShift = 0x10, kVkControl = 0x11,
  kVkMenu = 0x12, kVkPause = 0x13, kVkCapital = 0x14, kVkEscape = 0x1B, kVkSpace = 0x20,
  kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24, kVkLeft = 0x25, kVkUp = 0x26,
  kVkRight = 0x27, kVkDown = 0x28, kVkSnapshot = 0x2C, kVkInsert = 0x2D, kVkDelete = 0x2E,
  kVkNumpad0 = 0x60, kVkMultiply = 0x6A, kVkAdd = 0x6B, kVkSubtract = 0x6D, kVkDecimal = 0x6E,
  kVkDivide = 0x6F, kVkF1 = 0x70, kVkScroll = 0x91, kVkOem1 = 0xBA, kVkOemPlus = 0xBB,
  kVkOemComma = 0xBC, kVkOemMinus = 0xBD, kVkOemPeriod = 0xBE, kVkOem2 = 0xBF, kVkOem3 = 0xC0,
  kVkOem4 = 0xDB, kVkOem5 = 0xDC, kVkOem6 = 0xDD, kVkOem7 = 0xDE, kVkOem102 = 0xE2,
};

struct Message {
  Window* window = nullptr;  // null for thread messages (kMsgQuit)
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  uint32_t time = 0;  // clock milliseconds when it was queued
};

// A window procedure. `window` is never null.
using WindowProc = intptr_t (*)(Window* window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);

// What a window does with a message it does not handle itself: close destroys the window,
// paint validates it, everything else answers 0.
intptr_t defaultWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// ---------------------------------------------------------------------------------------------
// Windows

// Window styles (the bits that matter here).
enum : uint32_t {
  kStylePopup = 0x80000000u,
  kStyleVisible = 0x10000000u,
  kStyleCaption = 0x00C00000u,  // a title bar (and a border)
  kStyleSystemMenu = 0x00080000u,
  kStyleThickFrame = 0x00040000u,
  kStyleChild = 0x40000000u,
  kStyleOverlapped = kStyleCaption | kStyleSystemMenu | kStyleThickFrame,
};
enum : uint32_t {
  kExStyleTopmost = 0x00000008u,
  kExStyleToolWindow = 0x00000080u,
  kExStyleAppWindow = 0x00040000u,
};
// Class styles.
enum : uint32_t { kClassVerticalRedraw = 0x0001, kClassHorizontalRedraw = 0x0002 };

struct WindowClass {
  std::string name;
  WindowProc procedure = nullptr;  // null: defaultWindowProc
  uint32_t style = 0;
  std::string menuName;
  ColorRef background = rgbColor(255, 255, 255);  // the client area of a new window
  bool arrowCursor = true;
};

// Registers a class; false when the name is empty or already registered.
bool registerClass(const WindowClass& windowClass);
// False when the class is unknown or still has windows.
bool unregisterClass(const std::string& name);

struct CreateWindowParams {
  std::string className;
  std::string title;  // UTF-8
  uint32_t style = kStyleOverlapped;
  uint32_t exStyle = 0;
  int32_t x = 0;  // outer rectangle, screen coordinates (parent's client area for children)
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  Window* parent = nullptr;
};

// Makes a window of a registered class (its procedure receives kMsgCreate first, with the
// window shown when kStyleVisible is set). Null when the class is unknown, a size is negative
// or the backend cannot make it. The client area is the outer rectangle less the frame that
// the style asks for; a zero-sized window is allowed and draws nothing.
Window* createWindow(const CreateWindowParams& params);
// Sends kMsgDestroy (to children first) and frees the window; false for a window that does not
// exist (null or already destroyed).
bool destroyWindow(Window* window);
// True while the window exists.
bool isWindow(const Window* window);

// Show commands.
enum : int { kShowHide = 0, kShowNormal = 1, kShowMaximized = 3, kShowShow = 5 };
// Returns whether the window was visible before. Maximised fills the screen.
bool showWindow(Window* window, int command);
// Paints the window now (sends kMsgPaint) when part of it is invalid.
void updateWindow(Window* window);
bool isWindowVisible(const Window* window);
// Moves and sizes the outer rectangle; the window receives kMsgMove and kMsgSize.
bool moveWindow(Window* window, int32_t x, int32_t y, int32_t width, int32_t height);
bool setWindowPosition(Window* window, int32_t x, int32_t y);  // keeps the size
bool setWindowSize(Window* window, int32_t width, int32_t height);  // keeps the position
// Client rectangle (left and top 0) and outer rectangle (screen coordinates); all zero for a
// window that does not exist.
WinRect clientRect(const Window* window);
WinRect windowRect(const Window* window);
// Client coordinates to screen coordinates.
WinPoint clientToScreen(const Window* window, WinPoint point);
bool setWindowTitle(Window* window, const std::string& title);
std::string windowTitle(const Window* window);
std::string windowClassName(const Window* window);
uint32_t windowStyle(const Window* window);
uint32_t windowExStyle(const Window* window);
Window* parentWindow(const Window* window);
// The window's user data word (zero when made).
void setWindowUserData(Window* window, intptr_t data);
intptr_t windowUserData(const Window* window);
// Replaces the window's procedure; returns the previous one (null for no window).
WindowProc setWindowProcedure(Window* window, WindowProc procedure);
// Marks the whole client area invalid: a kMsgPaint comes out of the owner's queue.
void invalidateWindow(Window* window);
// Keyboard focus: the window key messages go to.
Window* setFocus(Window* window);
Window* focusWindow();
// Top-level windows in the order they were made, and a window's children.
std::vector<Window*> topLevelWindows();
std::vector<Window*> childWindows(const Window* window);
// The first window of a class (and title, when not null), or null.
Window* findWindow(const std::string& className, const std::string* title = nullptr);

// Screen facts: size and the desktop's pixel format.
struct ScreenInfo {
  int32_t width = 640;
  int32_t height = 480;
  int32_t bitsPerPixel = 32;  // 8, 15 (5-5-5), 16 (5-6-5), 24 or 32
};
ScreenInfo screenInfo();
// Shows or hides the pointer; returns the new display count as the desktop keeps it (>= 0
// means shown).
int showCursor(bool show);

// ---------------------------------------------------------------------------------------------
// Message queue of the calling thread

// Posts to the queue of the thread that owns the window; false for no window.
bool postMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Posts kMsgQuit to the calling thread's queue.
void postQuitMessage(int exitCode);
// Calls the window's procedure at once and returns its answer (0 for no window).
intptr_t sendMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Waits for the next message of the calling thread; false when it is kMsgQuit.
bool getMessage(Message& message);
// The next message if there is one; `remove` takes it out of the queue.
bool peekMessage(Message& message, bool remove);
// Waits until a message is ready or `milliseconds` passed; true when one is ready.
bool waitMessage(uint32_t milliseconds);
// Hands a message to its window's procedure (after the hooks let it through).
intptr_t dispatchMessage(const Message& message);

// ---------------------------------------------------------------------------------------------
// Timers: kMsgTimer with the id comes out of the owner's queue every `milliseconds`.

bool setTimer(Window* window, uintptr_t id, uint32_t milliseconds);
bool killTimer(Window* window, uintptr_t id);

// ---------------------------------------------------------------------------------------------
// Hooks

enum class HookKind {
  // Mouse messages about to come out of a queue. wParam: message; lParam: const MouseHookInfo*.
  // A non-zero answer swallows the message.
  Mouse,
  // Every message as the queue hands it out. wParam: 1 when it is being removed, 0 when only
  // peeked; lParam: Message* (the hook may change it).
  GetMessage,
  // Key messages. wParam: virtual key; lParam: key data. Non-zero swallows the message.
  Keyboard,
};

struct MouseHookInfo {
  WinPoint screenPoint;
  Window* window = nullptr;
};

using HookProc = std::function<intptr_t(int code, uintptr_t wParam, intptr_t lParam)>;
using HookId = uint64_t;

// Installs a hook for the calling thread's queue, or for every thread's; 0 on failure (no
// procedure).
HookId setHook(HookKind kind, HookProc procedure, bool allThreads);
bool removeHook(HookId hook);

// ---------------------------------------------------------------------------------------------
// Popup menus

struct Menu;
struct MenuItem {
  uint32_t id = 0;
  std::string text;  // UTF-8
  bool checked = false;
  bool separator = false;
  std::unique_ptr<Menu> submenu;
};
struct Menu {
  std::vector<MenuItem> items;

  void append(uint32_t id, const std::string& text);
  void appendSeparator();
  void appendSubmenu(std::unique_ptr<Menu> submenu, const std::string& text);
  // Inserts before `position`; at or past the end appends.
  void insert(size_t position, uint32_t id, const std::string& text);
  // Removes the first item with the id, looking into submenus; false when there is none.
  bool remove(uint32_t id);
  // Sets the check mark of the first item with the id, looking into submenus; returns the
  // previous state, or false when there is none.
  bool check(uint32_t id, bool checked);
  // The first item with the id, looking into submenus, or null.
  MenuItem* find(uint32_t id);
  // The submenu of the first item whose text is `text`, or null.
  Menu* submenu(const std::string& text);
};

// Shows a popup menu at a screen point for a window and lets the user choose. Returns the
// chosen id (0 for none); unless `returnCommand`, the choice is also posted to the window as
// kMsgCommand.
uint32_t trackPopupMenu(const Menu& menu, Window* window, int32_t x, int32_t y,
                        bool returnCommand);

// ---------------------------------------------------------------------------------------------
// Device-independent bitmaps

enum : uint32_t { kBiRgb = 0, kBiBitfields = 3 };
enum : uint32_t { kDibRgbColors = 0 };
enum : uint32_t { kSourceCopy = 0x00CC0020u };
enum : int { kStretchColorOnColor = 3 };

// The bitmap header as it precedes a device-independent bitmap's colour part: for 8 bits and
// fewer a table of RgbQuad (clrUsed entries, 2^bits when 0); for kBiBitfields three uint32_t
// masks red, green, blue. A negative height means rows run top-down.
struct BitmapInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct RgbQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
};

// A header with room for its colour part, for callers that build one on the stack.
struct BitmapInfo {
  BitmapInfoHeader header;
  RgbQuad colors[256];
};

// Bytes per row of a device-independent bitmap: rows are padded to 4 bytes.
inline int32_t dibRowBytes(int32_t width, int32_t bitCount) {
  return ((width * bitCount + 31) / 32) * 4;
}

// ---------------------------------------------------------------------------------------------
// Device contexts and drawing

// A window's context (its client area). Null for no window. Release it after drawing.
DeviceContext* getDC(Window* window);
void releaseDC(Window* window, DeviceContext* dc);
// The whole screen's context (reads the desktop's format; drawing into it does nothing).
DeviceContext* getScreenDC();
// Paint: the window's context, valid until endPaint, which validates the window.
DeviceContext* beginPaint(Window* window);
void endPaint(Window* window, DeviceContext* dc);
// A memory context; it draws into the bitmap selected into it (a 1 x 1 one at first).
DeviceContext* createCompatibleDC(DeviceContext* reference);
void deleteDC(DeviceContext* dc);
// Saves the context's state (pen, brush, font, colours, modes, position); restoreDC(-1)
// restores the last saved one. Returns the save level (0 on failure).
int saveDC(DeviceContext* dc);
bool restoreDC(DeviceContext* dc, int level);

// A bitmap in the given format with its pixels (a pointer to them in *bits); null when the
// header is not one of 1, 4, 8, 16, 24 or 32 bits, a size is 0 or larger than 16384, or memory
// runs out.
Bitmap* createDIBSection(DeviceContext* reference, const BitmapInfoHeader* info, void** bits);
// A bitmap in the desktop's format (as screenInfo tells it).
Bitmap* createCompatibleBitmap(DeviceContext* reference, int32_t width, int32_t height);
// A desktop-format bitmap holding a device-independent bitmap's pixels.
Bitmap* createDIBitmap(DeviceContext* reference, const BitmapInfoHeader* info, const void* bits);
void deleteBitmap(Bitmap* bitmap);
// Selects a bitmap into a memory context; returns the one selected before (null on failure).
Bitmap* selectBitmap(DeviceContext* dc, Bitmap* bitmap);
struct BitmapFacts {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitCount = 0;
};
BitmapFacts bitmapFacts(const Bitmap* bitmap);

// With `bits` null, fills *info (whose size field must be 40) with the bitmap's format: bit
// count, compression and, for kBiBitfields, the three masks after the header (the caller
// provides the room). Returns non-zero on success.
int getDIBits(DeviceContext* dc, Bitmap* bitmap, uint32_t startLine, uint32_t lines, void* bits,
              BitmapInfoHeader* info, uint32_t usage);

// Copies (and stretches) a rectangle of a device-independent bitmap into the context. The
// source rectangle is counted from the bitmap's bottom row, whatever the row order. Pixels
// outside the bitmap or the context are neither read nor written. Returns the number of
// source lines, 0 on failure (bad header, null bits or context).
int stretchDIBits(DeviceContext* dc, int32_t xDest, int32_t yDest, int32_t destWidth,
                  int32_t destHeight, int32_t xSrc, int32_t ySrc, int32_t srcWidth,
                  int32_t srcHeight, const void* bits, const BitmapInfoHeader* info,
                  uint32_t usage, uint32_t rop);
int setStretchBltMode(DeviceContext* dc, int mode);
bool bitBlt(DeviceContext* dest, int32_t x, int32_t y, int32_t width, int32_t height,
            DeviceContext* source, int32_t xSrc, int32_t ySrc, uint32_t rop);
bool stretchBlt(DeviceContext* dest, int32_t x, int32_t y, int32_t width, int32_t height,
                DeviceContext* source, int32_t xSrc, int32_t ySrc, int32_t srcWidth,
                int32_t srcHeight, uint32_t rop);
// Finishes pending drawing: windows drawn into show their surfaces.
void gdiFlush();

// Pens and brushes are values selected into a context; selecting returns the previous one.
enum class PenStyle { Solid, Null };
struct Pen {
  PenStyle style = PenStyle::Solid;
  int width = 1;
  ColorRef color = 0;
};
struct Brush {
  bool hollow = false;
  ColorRef color = rgbColor(255, 255, 255);
};
Pen selectPen(DeviceContext* dc, const Pen& pen);
Brush selectBrush(DeviceContext* dc, const Brush& brush);

WinPoint moveTo(DeviceContext* dc, int32_t x, int32_t y);  // returns the previous position
WinPoint currentPosition(const DeviceContext* dc);
// A line from the current position to (x, y), the end point excluded; the position moves there.
bool lineTo(DeviceContext* dc, int32_t x, int32_t y);
// Outlines with the pen and fills the inside with the brush.
bool rectangle(DeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
// Fills with a colour (no outline).
bool fillRect(DeviceContext* dc, const WinRect& rect, ColorRef color);
// The colour at a point (0xFFFFFFFF outside the context).
ColorRef getPixel(DeviceContext* dc, int32_t x, int32_t y);

// Colour palettes of the 8-bit desktop. On deeper desktops they only travel with contexts.
struct PaletteEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t flags = 0;
};
struct Palette {
  uint16_t version = 0x300;
  std::vector<PaletteEntry> entries;
};
// Selects a palette (null: the default one); returns the previous one.
std::shared_ptr<Palette> selectPalette(DeviceContext* dc, std::shared_ptr<Palette> palette,
                                       bool background);
// Maps the selected palette into the desktop's; returns the number of entries mapped.
int realizePalette(DeviceContext* dc);

// Fonts: a logical font as the desktop describes one.
struct LogFont {
  int32_t height = 0;       // < 0: character height in pixels; > 0: cell height; 0: default
  int32_t escapement = 0;   // tenths of a degree; text is drawn horizontally
  int32_t weight = 0;       // 0 normal, 700 bold
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  std::string faceName;     // "Arial" and every other name map to the sans-serif face
};
struct GdiFont {
  LogFont logFont;
  std::shared_ptr<Font> font;  // the rendering face (its status tells whether it is usable)
};
// The height of a font of `tenthsOfPoint` tenths of a point on a context: h = tenths x the
// context's vertical pixels per inch / 72 (truncated), and the height is -(|h| / 10 + 0.5)
// truncated, a character height in pixels (-12 for 12 points on a 96 pixels-per-inch screen).
int32_t fontHeightOfTenths(DeviceContext* dc, int32_t tenthsOfPoint);
// A font for a description; never null (a face that cannot be had draws nothing).
std::shared_ptr<GdiFont> createFont(const LogFont& logFont);
enum class StockFont { System, AnsiFixed };
std::shared_ptr<GdiFont> stockFont(StockFont which);
// Selects a font; returns the previous one.
std::shared_ptr<GdiFont> selectFont(DeviceContext* dc, std::shared_ptr<GdiFont> font);

struct TextMetrics {
  int32_t height = 0;
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t maxCharWidth = 0;
};
bool getTextMetrics(DeviceContext* dc, TextMetrics& metrics);
// Width and height of a Windows-1252 string in the selected font.
bool getTextExtent(DeviceContext* dc, const char* text, int length, int32_t& width,
                   int32_t& height);

ColorRef setTextColor(DeviceContext* dc, ColorRef color);
ColorRef setBackgroundColor(DeviceContext* dc, ColorRef color);
enum : int { kBackgroundTransparent = 1, kBackgroundOpaque = 2 };
int setBackgroundMode(DeviceContext* dc, int mode);
enum : uint32_t { kTextAlignTop = 0, kTextAlignBaseline = 24 };
uint32_t setTextAlign(DeviceContext* dc, uint32_t align);
// Draws a Windows-1252 string with (x, y) the top-left of its cell or its baseline start, as
// the text alignment says. Glyphs are anti-aliased on 16-bit and deeper targets and plain on
// palette targets; an opaque background fills each character's cell first.
bool textOut(DeviceContext* dc, int32_t x, int32_t y, const char* text, int length);
// Draws one line of text at the rectangle's top-left, clipped to it unless kDrawTextNoClip.
enum : uint32_t { kDrawTextSingleLine = 0x20, kDrawTextNoClip = 0x100 };
int drawText(DeviceContext* dc, const char* text, int length, const WinRect& rect,
             uint32_t format);

// Context facts.
enum : int { kCapsBitsPixel = 12, kCapsHorzRes = 8, kCapsVertRes = 10, kCapsLogPixelsX = 88,
             kCapsLogPixelsY = 90, kCapsRasterCaps = 38 };
int getDeviceCaps(DeviceContext* dc, int index);

// Icons: a 32 x 32 (or other size) image with a transparency mask.
struct Icon {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first; alpha 0 is transparent
};
bool drawIcon(DeviceContext* dc, int32_t x, int32_t y, const Icon& icon);

// ---------------------------------------------------------------------------------------------
// What a window shows

// The client area's pixels as the backend last showed them (0x00RRGGBB, top row first); false
// for no window. The memory backend answers with the surface; the SDL backend reads the
// screen back.
bool readWindowPixels(Window* window, std::vector<uint32_t>& pixels, int32_t& width,
                      int32_t& height);

// ---------------------------------------------------------------------------------------------
// Backends

class WindowBackend {
 public:
  virtual ~WindowBackend() = default;
  virtual const char* name() const = 0;
  // The native side of a new window; false when it cannot be made.
  virtual bool createNative(Window& window) = 0;
  virtual void destroyNative(Window& window) = 0;
  // Position, size, visibility or title changed.
  virtual void updateNative(Window& window) = 0;
  // Shows what the window's surface holds.
  virtual void present(Window& window) = 0;
  // Turns pending native events into posted messages (on the thread that made the windows).
  virtual void pollEvents() = 0;
  virtual ScreenInfo screen() const = 0;
  virtual uint32_t trackPopupMenu(const Menu& menu, Window* window, int32_t x, int32_t y) = 0;
  virtual void setCursorVisible(bool visible) = 0;
  virtual bool readPixels(Window& window, std::vector<uint32_t>& pixels, int32_t& width,
                          int32_t& height) = 0;
};

// The backend in use: the memory backend unless one was installed.
WindowBackend& windowBackend();
// Installs a backend (null: the memory one). Only while no window exists.
bool setWindowBackend(WindowBackend* backend);

class ScopedWindowBackend {
 public:
  explicit ScopedWindowBackend(WindowBackend& backend) { setWindowBackend(&backend); }
  ~ScopedWindowBackend() { setWindowBackend(nullptr); }
  ScopedWindowBackend(const ScopedWindowBackend&) = delete;
  ScopedWindowBackend& operator=(const ScopedWindowBackend&) = delete;
};

}  // namespace quorix::platform
