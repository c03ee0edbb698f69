#include "platform/ddraw/sdl/sdl_ddraw.h"

#include <SDL.h>

#include "platform/window/sdl/sdl_window_backend.h"
#include "platform/window/window_internal.h"

namespace quorix::platform::ddraw {
namespace {

uint32_t textureFormatOf(const PixelFormat& format) {
  if (format.bitCount == 16) {
    return format.greenMask == 0x7E0 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB555;
  }
  if (format.bitCount == 24) return SDL_PIXELFORMAT_RGB24;
  return SDL_PIXELFORMAT_RGB888;  // 32-bit surfaces, and 8-bit ones through their palette
}

}  // namespace

std::unique_ptr<SdlDirectDrawLibrary> SdlDirectDrawLibrary::start(std::string* error) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (error != nullptr) *error = SDL_GetError();
    return nullptr;
  }
  std::unique_ptr<SdlDirectDrawLibrary> library(new SdlDirectDrawLibrary);
  // The modes of the screen, each offered at the three depths the engine draws in, besides
  // the defaults every device lists.
  for (int i = 0; i < SDL_GetNumDisplayModes(0); ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
    for (uint32_t bits : {8u, 16u, 32u}) {
      library->modes.push_back({static_cast<uint32_t>(mode.w), static_cast<uint32_t>(mode.h),
                                bits, static_cast<uint32_t>(mode.refresh_rate)});
    }
  }
  return library;
}

SdlDirectDrawLibrary::~SdlDirectDrawLibrary() {
  displayModeChanged(nullptr, DisplayModeInfo{});
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlDirectDrawLibrary::dropTexture() {
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  textureWidth_ = textureHeight_ = 0;
}

void SdlDirectDrawLibrary::displayModeChanged(Window* window, const DisplayModeInfo& mode) {
  if (mode.width == 0) {
    dropTexture();
    if (ownWindow_) {
      SDL_DestroyRenderer(renderer_);
      SDL_DestroyWindow(sdlWindow_);
    } else if (sdlWindow_ != nullptr) {
      SDL_SetWindowFullscreen(sdlWindow_, 0);
      SDL_RenderSetLogicalSize(renderer_, 0, 0);
    }
    if (isWindow(window_)) {
      window_->presentationTakenOver = false;
      invalidateWindow(window_);
    }
    window_ = nullptr;
    sdlWindow_ = nullptr;
    renderer_ = nullptr;
    ownWindow_ = false;
    return;
  }
  if (sdlWindow_ == nullptr) {
    if (isWindow(window) && SdlWindowBackend::sdlWindow(*window) != nullptr) {
      window_ = window;
      sdlWindow_ = SdlWindowBackend::sdlWindow(*window);
      renderer_ = SdlWindowBackend::sdlRenderer(*window);
      window_->presentationTakenOver = true;
    } else {
      sdlWindow_ = SDL_CreateWindow("dxwin", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                    static_cast<int>(mode.width), static_cast<int>(mode.height),
                                    0);
      renderer_ = sdlWindow_ != nullptr ? SDL_CreateRenderer(sdlWindow_, -1, 0) : nullptr;
      if (renderer_ == nullptr && sdlWindow_ != nullptr) {
        renderer_ = SDL_CreateRenderer(sdlWindow_, -1, SDL_RENDERER_SOFTWARE);
      }
      if (renderer_ == nullptr) {
        if (sdlWindow_ != nullptr) SDL_DestroyWindow(sdlWindow_);
        sdlWindow_ = nullptr;
        return;
      }
      ownWindow_ = true;
    }
  }
  SDL_SetWindowFullscreen(sdlWindow_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  SDL_RenderSetLogicalSize(renderer_, static_cast<int>(mode.width), static_cast<int>(mode.height));
  dropTexture();
}

void SdlDirectDrawLibrary::present(const LockedSurface& front, const PaletteEntry* palette) {
  if (renderer_ == nullptr || front.width == 0 || front.height == 0) return;
  uint32_t format = textureFormatOf(front.format);
  if (texture_ == nullptr || textureFormat_ != format ||
      textureWidth_ != static_cast<int>(front.width) ||
      textureHeight_ != static_cast<int>(front.height)) {
    dropTexture();
    texture_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING,
                                 static_cast<int>(front.width), static_cast<int>(front.height));
    if (texture_ == nullptr) return;
    textureFormat_ = format;
    textureWidth_ = static_cast<int>(front.width);
    textureHeight_ = static_cast<int>(front.height);
  }
  if (front.format.bitCount == 8) {
    converted_.resize(static_cast<size_t>(front.width) * front.height);
    for (uint32_t y = 0; y < front.height; ++y) {
      const auto* row = static_cast<const uint8_t*>(front.bits) + static_cast<size_t>(y) * front.pitch;
      for (uint32_t x = 0; x < front.width; ++x) {
        uint32_t rgb = 0;
        if (palette != nullptr) {
          const PaletteEntry& e = palette[row[x]];
          rgb = (static_cast<uint32_t>(e.red) << 16) | (e.green << 8) | e.blue;
        }
        converted_[static_cast<size_t>(y) * front.width + x] = rgb;
      }
    }
    SDL_UpdateTexture(texture_, nullptr, converted_.data(), static_cast<int>(front.width * 4));
  } else {
    SDL_UpdateTexture(texture_, nullptr, front.bits, front.pitch);
  }
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
}

bool SdlDirectDrawLibrary::readScreen(std::vector<uint32_t>& pixels, int32_t& width,
                                      int32_t& height) {
  if (renderer_ == nullptr || texture_ == nullptr) return false;
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  // The whole screen: the mode is scaled onto it (and letterboxed) by the logical size.
  int outputW = 0, outputH = 0;
  SDL_GetRendererOutputSize(renderer_, &outputW, &outputH);
  pixels.assign(static_cast<size_t>(outputW) * outputH, 0);
  if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888, pixels.data(),
                           outputW * 4) != 0) {
    return false;
  }
  SDL_RenderPresent(renderer_);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  width = outputW;
  height = outputH;
  return true;
}

}  // namespace quorix::platform::ddraw
