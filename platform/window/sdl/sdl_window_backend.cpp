#include "platform/window/sdl/sdl_window_backend.h"

#include <SDL.h>

#include <algorithm>

#include "platform/font/font.h"
#include "platform/window/window_internal.h"

namespace quorix::platform {
namespace {

struct SdlNative {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int textureWidth = 0;
  int textureHeight = 0;
};

SdlNative* nativeOf(Window& window) { return static_cast<SdlNative*>(window.native); }

// Physical keys to virtual keys, as a US keyboard labels them.
struct KeyMapping {
  SDL_Scancode scancode;
  uint32_t virtualKey;
};
constexpr KeyMapping kKeys[] = {
    {SDL_SCANCODE_BACKSPACE, kVkBack},   {SDL_SCANCODE_TAB, kVkTab},
    {SDL_SCANCODE_RETURN, kVkReturn},    {SDL_SCANCODE_KP_ENTER, kVkReturn},
    {SDL_SCANCODE_LSHIFT, kVkShift},     {SDL_SCANCODE_RSHIFT, kVkShift},
    {SDL_SCANCODE_LCTRL, kVkControl},    {SDL_SCANCODE_RCTRL, kVkControl},
    {SDL_SCANCODE_LALT, kVkMenu},        {SDL_SCANCODE_RALT, kVkMenu},
    {SDL_SCANCODE_PAUSE, kVkPause},      {SDL_SCANCODE_CAPSLOCK, kVkCapital},
    {SDL_SCANCODE_ESCAPE, kVkEscape},    {SDL_SCANCODE_SPACE, kVkSpace},
    {SDL_SCANCODE_PAGEUP, kVkPrior},     {SDL_SCANCODE_PAGEDOWN, kVkNext},
    {SDL_SCANCODE_END, kVkEnd},          {SDL_SCANCODE_HOME, kVkHome},
    {SDL_SCANCODE_LEFT, kVkLeft},        {SDL_SCANCODE_UP, kVkUp},
    {SDL_SCANCODE_RIGHT, kVkRight},      {SDL_SCANCODE_DOWN, kVkDown},
    {SDL_SCANCODE_PRINTSCREEN, kVkSnapshot}, {SDL_SCANCODE_INSERT, kVkInsert},
    {SDL_SCANCODE_DELETE, kVkDelete},    {SDL_SCANCODE_KP_MULTIPLY, kVkMultiply},
    {SDL_SCANCODE_KP_PLUS, kVkAdd},      {SDL_SCANCODE_KP_MINUS, kVkSubtract},
    {SDL_SCANCODE_KP_PERIOD, kVkDecimal}, {SDL_SCANCODE_KP_DIVIDE, kVkDivide},
    {SDL_SCANCODE_SCROLLLOCK, kVkScroll}, {SDL_SCANCODE_SEMICOLON, kVkOem1},
    {SDL_SCANCODE_EQUALS, kVkOemPlus},   {SDL_SCANCODE_COMMA, kVkOemComma},
    {SDL_SCANCODE_MINUS, kVkOemMinus},   {SDL_SCANCODE_PERIOD, kVkOemPeriod},
    {SDL_SCANCODE_SLASH, kVkOem2},       {SDL_SCANCODE_GRAVE, kVkOem3},
    {SDL_SCANCODE_LEFTBRACKET, kVkOem4}, {SDL_SCANCODE_BACKSLASH, kVkOem5},
    {SDL_SCANCODE_RIGHTBRACKET, kVkOem6}, {SDL_SCANCODE_APOSTROPHE, kVkOem7},
    {SDL_SCANCODE_NONUSBACKSLASH, kVkOem102},
};

// Pixels of a popup menu drawn into a small 32-bit buffer.
struct MenuPicture {
  struct Row {
    uint32_t id = 0;  // 0: not choosable (separators, submenu titles)
    std::string text;
    bool checked = false;
    int indent = 0;
  };
  std::vector<Row> rows;
  int width = 0;
  int rowHeight = 0;

  void collect(const Menu& menu, int indent) {
    for (const MenuItem& item : menu.items) {
      if (item.separator) {
        rows.push_back({0, "", false, indent});
      } else {
        rows.push_back({item.submenu ? 0 : item.id, item.text, item.checked, indent});
        if (item.submenu) collect(*item.submenu, indent + 1);
      }
    }
  }
};

void drawMenu(const MenuPicture& picture, const Font& font, int hovered,
              std::vector<uint32_t>& pixels) {
  int height = picture.rowHeight * static_cast<int>(picture.rows.size());
  pixels.assign(static_cast<size_t>(picture.width) * height, 0xF0F0F0);
  GlyphBitmap glyph;
  for (size_t r = 0; r < picture.rows.size(); ++r) {
    const MenuPicture::Row& row = picture.rows[r];
    int top = static_cast<int>(r) * picture.rowHeight;
    bool lit = static_cast<int>(r) == hovered && row.id != 0;
    uint32_t paper = lit ? 0x3070C0 : 0xF0F0F0;
    uint32_t ink = lit ? 0xFFFFFF : (row.id == 0 ? 0x606060 : 0x000000);
    for (int y = top; y < top + picture.rowHeight; ++y) {
      std::fill_n(pixels.begin() + static_cast<ptrdiff_t>(y) * picture.width, picture.width, paper);
    }
    if (row.text.empty()) {
      int y = top + picture.rowHeight / 2;
      std::fill_n(pixels.begin() + static_cast<ptrdiff_t>(y) * picture.width, picture.width, 0xA0A0A0);
      continue;
    }
    int pen = 18 + row.indent * 12;
    int baseline = top + 3 + font.metrics().ascent;
    if (row.checked) {
      for (int i = 0; i < 5; ++i) {  // a check mark drawn as two strokes
        int x1 = 6 + i, y1 = baseline - 4 + i / 2;
        int x2 = 10 + i, y2 = baseline - 2 - i;
        if (y1 >= 0 && y1 < height) pixels[static_cast<size_t>(y1) * picture.width + x1] = ink;
        if (y2 >= 0 && y2 < height) pixels[static_cast<size_t>(y2) * picture.width + x2] = ink;
      }
    }
    for (unsigned char c : row.text) {
      if (font.render(c, true, glyph)) {
        for (int gy = 0; gy < glyph.rows; ++gy) {
          int py = baseline - glyph.top + gy;
          if (py < top || py >= top + picture.rowHeight) continue;
          for (int gx = 0; gx < glyph.width; ++gx) {
            int px = pen + glyph.left + gx;
            uint32_t a = glyph.coverage[static_cast<size_t>(gy) * glyph.width + gx];
            if (a == 0 || px < 0 || px >= picture.width) continue;
            uint32_t& d = pixels[static_cast<size_t>(py) * picture.width + px];
            uint32_t out = 0;
            for (int s = 0; s <= 16; s += 8) {
              uint32_t u = (d >> s) & 0xFF, o = (ink >> s) & 0xFF;
              out |= ((u * (255 - a) + o * a) / 255) << s;
            }
            d = out;
          }
        }
      }
      pen += font.advance(c);
    }
  }
}

}  // namespace

uint32_t virtualKeyOfScancode(int scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return 'A' + static_cast<uint32_t>(scancode - SDL_SCANCODE_A);
  }
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
    return '1' + static_cast<uint32_t>(scancode - SDL_SCANCODE_1);
  }
  if (scancode == SDL_SCANCODE_0) return '0';
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) {
    return kVkF1 + static_cast<uint32_t>(scancode - SDL_SCANCODE_F1);
  }
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
    return kVkNumpad0 + 1 + static_cast<uint32_t>(scancode - SDL_SCANCODE_KP_1);
  }
  if (scancode == SDL_SCANCODE_KP_0) return kVkNumpad0;
  for (const KeyMapping& key : kKeys) {
    if (key.scancode == scancode) return key.virtualKey;
  }
  return 0;
}

std::unique_ptr<SdlWindowBackend> SdlWindowBackend::start(std::string* error) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (error != nullptr) *error = SDL_GetError();
    return nullptr;
  }
  std::unique_ptr<SdlWindowBackend> backend(new SdlWindowBackend);
  backend->thread_ = std::this_thread::get_id();
  return backend;
}

SdlWindowBackend::~SdlWindowBackend() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

bool SdlWindowBackend::createNative(Window& window) {
  auto native = std::make_unique<SdlNative>();
  WinRect client = window.client();
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if ((window.style & kStyleCaption) != kStyleCaption) flags |= SDL_WINDOW_BORDERLESS;
  if ((window.exStyle & kExStyleToolWindow) != 0) flags |= SDL_WINDOW_UTILITY;
  native->window = SDL_CreateWindow(window.title.c_str(), client.left, client.top,
                                    std::max(1, winRectWidth(client)),
                                    std::max(1, winRectHeight(client)), flags);
  if (native->window == nullptr) return false;
  native->renderer = SDL_CreateRenderer(native->window, -1, 0);
  if (native->renderer == nullptr) {
    native->renderer = SDL_CreateRenderer(native->window, -1, SDL_RENDERER_SOFTWARE);
  }
  if (native->renderer == nullptr) {
    SDL_DestroyWindow(native->window);
    return false;
  }
  if ((window.exStyle & kExStyleTopmost) != 0) SDL_SetWindowAlwaysOnTop(native->window, SDL_TRUE);
  SDL_SetWindowData(native->window, "quorix", &window);
  window.native = native.release();
  return true;
}

void SdlWindowBackend::destroyNative(Window& window) {
  SdlNative* native = nativeOf(window);
  if (native == nullptr) return;
  if (native->texture != nullptr) SDL_DestroyTexture(native->texture);
  SDL_DestroyRenderer(native->renderer);
  SDL_DestroyWindow(native->window);
  delete native;
  window.native = nullptr;
}

void SdlWindowBackend::updateNative(Window& window) {
  SdlNative* native = nativeOf(window);
  if (native == nullptr || updating_) return;
  WinRect client = window.client();
  SDL_SetWindowTitle(native->window, window.title.c_str());
  SDL_SetWindowPosition(native->window, client.left, client.top);
  SDL_SetWindowSize(native->window, std::max(1, winRectWidth(client)),
                    std::max(1, winRectHeight(client)));
  if (window.visible) {
    SDL_ShowWindow(native->window);
  } else {
    SDL_HideWindow(native->window);
  }
}

void SdlWindowBackend::present(Window& window) {
  SdlNative* native = nativeOf(window);
  const PixelView& view = window.surface->view;
  if (native == nullptr || view.width == 0 || view.height == 0) return;
  if (native->texture == nullptr || native->textureWidth != view.width ||
      native->textureHeight != view.height) {
    if (native->texture != nullptr) SDL_DestroyTexture(native->texture);
    native->texture = SDL_CreateTexture(native->renderer, SDL_PIXELFORMAT_RGB888,
                                        SDL_TEXTUREACCESS_STREAMING, view.width, view.height);
    native->textureWidth = view.width;
    native->textureHeight = view.height;
    if (native->texture == nullptr) return;
  }
  SDL_UpdateTexture(native->texture, nullptr, view.bits, view.stride);
  SDL_RenderClear(native->renderer);
  SDL_RenderCopy(native->renderer, native->texture, nullptr, nullptr);
  SDL_RenderPresent(native->renderer);
}

Window* SdlWindowBackend::windowOfId(uint32_t id) const {
  SDL_Window* sdl = SDL_GetWindowFromID(id);
  if (sdl == nullptr) return nullptr;
  auto* window = static_cast<Window*>(SDL_GetWindowData(sdl, "quorix"));
  return isWindow(window) ? window : nullptr;
}

void SdlWindowBackend::pollEvents() {
  if (std::this_thread::get_id() != thread_) return;
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) {
    switch (event.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        Window* window = windowOfId(event.key.windowID);
        if (window == nullptr) window = focusWindow();
        uint32_t key = virtualKeyOfScancode(event.key.keysym.scancode);
        if (window == nullptr || key == 0) break;
        bool up = event.type == SDL_KEYUP;
        postMessage(window, up ? kMsgKeyUp : kMsgKeyDown, key,
                    keyData(event.key.keysym.scancode, event.key.repeat != 0, up));
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        Window* window = windowOfId(event.button.windowID);
        bool down = event.type == SDL_MOUSEBUTTONDOWN;
        uint32_t message = 0;
        if (event.button.button == SDL_BUTTON_LEFT) {
          message = down ? kMsgLeftButtonDown : kMsgLeftButtonUp;
        } else if (event.button.button == SDL_BUTTON_RIGHT) {
          message = down ? kMsgRightButtonDown : kMsgRightButtonUp;
        }
        if (window != nullptr && message != 0) {
          postMessage(window, message, 0, makeLParam(event.button.x, event.button.y));
        }
        break;
      }
      case SDL_MOUSEMOTION:
        if (Window* window = windowOfId(event.motion.windowID)) {
          postMessage(window, kMsgMouseMove, 0, makeLParam(event.motion.x, event.motion.y));
        }
        break;
      case SDL_WINDOWEVENT: {
        Window* window = windowOfId(event.window.windowID);
        if (window == nullptr) break;
        switch (event.window.event) {
          case SDL_WINDOWEVENT_CLOSE: postMessage(window, kMsgClose, 0, 0); break;
          case SDL_WINDOWEVENT_EXPOSED: invalidateWindow(window); break;
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            postMessage(window, kMsgActivateApp, 1, 0);
            postMessage(window, kMsgActivate, 1, 0);
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            postMessage(window, kMsgActivate, 0, 0);
            postMessage(window, kMsgActivateApp, 0, 0);
            break;
          case SDL_WINDOWEVENT_MOVED:
          case SDL_WINDOWEVENT_SIZE_CHANGED: {
            // The desktop moved or sized the window: follow it without asking it back.
            int x, y, w, h;
            SDL_GetWindowPosition(nativeOf(*window)->window, &x, &y);
            SDL_GetWindowSize(nativeOf(*window)->window, &w, &h);
            WinRect insets = frameInsets(window->style);
            updating_ = true;
            moveWindow(window, x - insets.left, y - insets.top, w + insets.left + insets.right,
                       h + insets.top + insets.bottom);
            updating_ = false;
            break;
          }
          default: break;
        }
        break;
      }
      case SDL_DISPLAYEVENT: {
        ScreenInfo info = screen();
        for (Window* window : topLevelWindows()) {
          postMessage(window, kMsgDisplayChange, static_cast<uintptr_t>(info.bitsPerPixel),
                      makeLParam(info.width, info.height));
        }
        break;
      }
      default: break;
    }
  }
}

ScreenInfo SdlWindowBackend::screen() const {
  ScreenInfo info;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    info.width = mode.w;
    info.height = mode.h;
    int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    info.bitsPerPixel = bits == 24 ? 32 : bits;
  }
  return info;
}

uint32_t SdlWindowBackend::trackPopupMenu(const Menu& menu, Window*, int32_t x, int32_t y) {
  std::shared_ptr<Font> font = Font::open(FontRequest{13, false, false});
  if (font->status() != FontStatus::Ready) return 0;
  MenuPicture picture;
  picture.collect(menu, 0);
  if (picture.rows.empty()) return 0;
  picture.rowHeight = font->metrics().height + 6;
  for (const MenuPicture::Row& row : picture.rows) {
    int width = 30 + row.indent * 12;
    for (unsigned char c : row.text) width += font->advance(c);
    picture.width = std::max(picture.width, width);
  }
  int height = picture.rowHeight * static_cast<int>(picture.rows.size());
  SDL_Window* popup = SDL_CreateWindow("", x, y, picture.width, height,
                                       SDL_WINDOW_BORDERLESS | SDL_WINDOW_POPUP_MENU |
                                           SDL_WINDOW_ALWAYS_ON_TOP);
  if (popup == nullptr) return 0;
  SDL_Renderer* renderer = SDL_CreateRenderer(popup, -1, 0);
  if (renderer == nullptr) renderer = SDL_CreateRenderer(popup, -1, SDL_RENDERER_SOFTWARE);
  SDL_Texture* texture = renderer == nullptr ? nullptr
                                             : SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888,
                                                                 SDL_TEXTUREACCESS_STREAMING,
                                                                 picture.width, height);
  uint32_t chosen = 0;
  int hovered = -1;
  bool done = texture == nullptr;
  std::vector<uint32_t> pixels;
  bool redraw = true;
  // A modal loop: the menu ends with a click, Escape or a click outside it.
  while (!done) {
    if (redraw) {
      drawMenu(picture, *font, hovered, pixels);
      SDL_UpdateTexture(texture, nullptr, pixels.data(), picture.width * 4);
      SDL_RenderCopy(renderer, texture, nullptr, nullptr);
      SDL_RenderPresent(renderer);
      redraw = false;
    }
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, 100) == 0) continue;
    Uint32 popupId = SDL_GetWindowID(popup);
    if (event.type == SDL_MOUSEMOTION && event.motion.windowID == popupId) {
      int row = event.motion.y / picture.rowHeight;
      if (row != hovered) hovered = row, redraw = true;
    } else if (event.type == SDL_MOUSEBUTTONUP) {
      if (event.button.windowID == popupId) {
        int row = event.button.y / picture.rowHeight;
        if (row >= 0 && row < static_cast<int>(picture.rows.size())) {
          chosen = picture.rows[static_cast<size_t>(row)].id;
        }
        if (chosen != 0) done = true;
      } else {
        done = true;
      }
    } else if (event.type == SDL_KEYDOWN && event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
      done = true;
    } else if (event.type == SDL_WINDOWEVENT && event.window.windowID == popupId &&
               event.window.event == SDL_WINDOWEVENT_EXPOSED) {
      redraw = true;
    } else if (event.type == SDL_QUIT) {
      done = true;
    }
  }
  if (texture != nullptr) SDL_DestroyTexture(texture);
  if (renderer != nullptr) SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(popup);
  return chosen;
}

void SdlWindowBackend::setCursorVisible(bool visible) {
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool SdlWindowBackend::readPixels(Window& window, std::vector<uint32_t>& pixels, int32_t& width,
                                  int32_t& height) {
  SdlNative* native = nativeOf(window);
  if (native == nullptr || native->texture == nullptr) return false;
  // Draw the texture once more and read the renderer's picture back before it is shown.
  SDL_RenderClear(native->renderer);
  SDL_RenderCopy(native->renderer, native->texture, nullptr, nullptr);
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(native->renderer, &w, &h);
  pixels.assign(static_cast<size_t>(w) * h, 0);
  if (SDL_RenderReadPixels(native->renderer, nullptr, SDL_PIXELFORMAT_RGB888, pixels.data(),
                           w * 4) != 0) {
    return false;
  }
  SDL_RenderPresent(native->renderer);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  width = w;
  height = h;
  return true;
}

SDL_Window* SdlWindowBackend::sdlWindow(Window& window) {
  if (dynamic_cast<SdlWindowBackend*>(&windowBackend()) == nullptr) return nullptr;
  SdlNative* native = nativeOf(window);
  return native != nullptr ? native->window : nullptr;
}

SDL_Renderer* SdlWindowBackend::sdlRenderer(Window& window) {
  if (dynamic_cast<SdlWindowBackend*>(&windowBackend()) == nullptr) return nullptr;
  SdlNative* native = nativeOf(window);
  return native != nullptr ? native->renderer : nullptr;
}

}  // namespace quorix::platform
