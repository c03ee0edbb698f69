// The SDL display: the memory display's surfaces shown full screen. Setting a display mode
// turns the cooperative window into a full-screen window whose renderer scales the mode to
// the screen; every flip (or unlock of a single front surface) uploads the front surface into
// a streaming texture and shows it. Giving the mode back returns the window to the desktop.
//
// [threads] As the SDL window backend: the thread that started SDL's video.
#pragma once

#include <memory>
#include <string>

#include "platform/ddraw/memory/memory_ddraw.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace quorix::platform::ddraw {

class SdlDirectDrawLibrary : public MemoryDirectDrawLibrary {
 public:
  // Starts SDL's video; null when there is no display (the reason in *error).
  static std::unique_ptr<SdlDirectDrawLibrary> start(std::string* error);
  ~SdlDirectDrawLibrary() override;

  const char* name() const override { return "sdl"; }

  // What the screen shows (0x00RRGGBB, top row first), read back from the renderer.
  bool readScreen(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

 protected:
  void present(const LockedSurface& front, const PaletteEntry* palette) override;
  void displayModeChanged(Window* window, const DisplayModeInfo& mode) override;

 private:
  SdlDirectDrawLibrary() = default;
  void dropTexture();

  Window* window_ = nullptr;        // the cooperative window shown full screen
  SDL_Window* sdlWindow_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  bool ownWindow_ = false;          // made here because the window had no SDL window
  SDL_Texture* texture_ = nullptr;
  uint32_t textureFormat_ = 0;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  std::vector<uint32_t> converted_;  // 8-bit frames through their palette
};

}  // namespace quorix::platform::ddraw
