#include "platform/ddraw/memory/memory_ddraw.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/window/window_internal.h"

namespace quorix::platform::ddraw {

class MemorySurface;

// What the objects of one library share. The library clears `library` when it goes, after
// which the objects it made fail every call.
struct MemoryDirectDrawLibrary::State {
  MemoryDirectDrawLibrary* library = nullptr;
  MemorySurface* primary = nullptr;  // the front surface, while one exists

  DisplayFaults* faults() { return library != nullptr ? &library->faults : nullptr; }
  DisplayRecord& record() { return library->record; }
  void present(const LockedSurface& front, const PaletteEntry* palette) {
    ++library->record.presents;
    library->present(front, palette);
  }
  bool modeSupported(const DisplayModeInfo& mode) const { return library->modeSupported(mode); }
  void modeChanged(Window* window, const DisplayModeInfo& mode) {
    library->displayModeChanged(window, mode);
  }
};

using State = MemoryDirectDrawLibrary::State;

namespace {

PixelFormat formatOf(uint32_t bits, bool is565) {
  PixelFormat format;
  format.bitCount = bits;
  switch (bits) {
    case 8: format.palettized = true; break;
    case 16:
      format.redMask = is565 ? 0xF800 : 0x7C00;
      format.greenMask = is565 ? 0x7E0 : 0x3E0;
      format.blueMask = 0x1F;
      break;
    default:
      format.redMask = 0xFF0000;
      format.greenMask = 0xFF00;
      format.blueMask = 0xFF;
      break;
  }
  return format;
}

// Takes one lock's worth of an injected count.
bool takeOne(int& count) {
  if (count <= 0) return false;
  --count;
  return true;
}

class MemoryPalette : public Palette {
 public:
  MemoryPalette(std::shared_ptr<State> state, const PaletteEntry* entries)
      : state_(std::move(state)) {
    std::copy_n(entries, 256, entries_);
    ++state_->record().livePalettes;
  }
  ~MemoryPalette() override {
    if (state_->library != nullptr) --state_->record().livePalettes;
  }
  Result setEntries(uint32_t first, uint32_t count, const PaletteEntry* entries) override;
  Result getEntries(uint32_t first, uint32_t count, PaletteEntry* entries) const override {
    if (entries == nullptr || first > 256 || count > 256 - first) return kErrInvalidParams;
    std::copy_n(entries_ + first, count, entries);
    return kOk;
  }
  const PaletteEntry* entries() const { return entries_; }

 private:
  std::shared_ptr<State> state_;
  PaletteEntry entries_[256];
};

}  // namespace

class MemorySurface : public Surface {
 public:
  MemorySurface(std::shared_ptr<State> state, uint32_t width, uint32_t height,
                PixelFormat format, uint32_t extraPitch, bool primary)
      : state_(std::move(state)), width_(width), height_(height), format_(format),
        primary_(primary) {
    pitch_ = static_cast<int32_t>(width * ((format.bitCount + 7) / 8) + extraPitch);
    memory_ = std::make_unique<std::vector<uint8_t>>(static_cast<size_t>(pitch_) * height, 0);
    ++state_->record().liveSurfaces;
    if (primary_) state_->primary = this;
  }

  ~MemorySurface() override {
    if (back_ != nullptr) back_->release();
    if (palette_ != nullptr) palette_->release();
    if (state_->primary == this) state_->primary = nullptr;
    if (state_->library != nullptr) --state_->record().liveSurfaces;
  }

  Result lock(LockedSurface& out, uint32_t) override {
    DisplayFaults* faults = state_->faults();
    if (faults == nullptr) return kErrGeneric;
    if (faults->lock != kOk) return faults->lock;
    if (takeOne(faults->loseSurfaceTimes)) lost_ = true;
    if (lost_) return kErrSurfaceLost;
    if (locked_) return kErrSurfaceBusy;
    locked_ = true;
    out = describe();
    return kOk;
  }

  Result unlock() override {
    if (!locked_) return kErrNotLocked;
    locked_ = false;
    if (primary_ && back_ == nullptr) showFront();
    return kOk;
  }

  Result isLost() const override { return lost_ ? kErrSurfaceLost : kOk; }

  Result restore() override {
    DisplayFaults* faults = state_->faults();
    if (faults == nullptr) return kErrGeneric;
    if (faults->restore != kOk) return faults->restore;
    lost_ = false;
    ++state_->record().restores;
    return kOk;
  }

  Result flip(uint32_t) override {
    DisplayFaults* faults = state_->faults();
    if (faults == nullptr) return kErrGeneric;
    if (!primary_ || back_ == nullptr) return kErrNotFlippable;
    if (faults->flip != kOk) return faults->flip;
    if (lost_ || back_->lost_) return kErrSurfaceLost;
    std::swap(memory_, back_->memory_);
    ++state_->record().flips;
    showFront();
    return kOk;
  }

  Result bltFast(int32_t x, int32_t y, Surface* source, const WinRect* rect, uint32_t) override {
    DisplayFaults* faults = state_->faults();
    auto* from = dynamic_cast<MemorySurface*>(source);
    if (faults == nullptr) return kErrGeneric;
    if (from == nullptr || from->format_.bitCount != format_.bitCount) return kErrInvalidParams;
    if (faults->bltFast != kOk) return faults->bltFast;
    if (lost_ || from->lost_) return kErrSurfaceLost;
    WinRect area = rect != nullptr ? *rect
                                   : WinRect{0, 0, static_cast<int32_t>(from->width_),
                                             static_cast<int32_t>(from->height_)};
    if (area.left < 0 || area.top < 0 || area.right > static_cast<int32_t>(from->width_) ||
        area.bottom > static_cast<int32_t>(from->height_) || area.right < area.left ||
        area.bottom < area.top || x < 0 || y < 0 ||
        x + winRectWidth(area) > static_cast<int32_t>(width_) ||
        y + winRectHeight(area) > static_cast<int32_t>(height_)) {
      return kErrInvalidParams;
    }
    size_t bytes = (format_.bitCount + 7) / 8;
    for (int32_t row = 0; row < winRectHeight(area); ++row) {
      const uint8_t* src = from->memory_->data() +
                           static_cast<size_t>(area.top + row) * from->pitch_ + area.left * bytes;
      uint8_t* dst = memory_->data() + static_cast<size_t>(y + row) * pitch_ + x * bytes;
      std::memmove(dst, src, winRectWidth(area) * bytes);
    }
    ++state_->record().bltFasts;
    if (primary_ && back_ == nullptr && !locked_) showFront();
    return kOk;
  }

  Result getAttachedSurface(uint32_t caps, Surface** out) override {
    DisplayFaults* faults = state_->faults();
    if (out == nullptr) return kErrInvalidParams;
    *out = nullptr;
    if (faults == nullptr) return kErrGeneric;
    if ((caps & kCapsBackBuffer) == 0 || back_ == nullptr) return kErrNotFound;
    if (faults->backBuffer != kOk) return faults->backBuffer;
    back_->addRef();
    *out = back_;
    return kOk;
  }

  Result deleteAttachedSurface(Surface* attached) override {
    if (attached == nullptr || attached != back_) return kErrSurfaceNotAttached;
    back_->release();
    back_ = nullptr;
    return kOk;
  }

  Result setPalette(Palette* palette) override {
    if (!format_.palettized) return kErrUnsupported;
    if (palette != nullptr) palette->addRef();
    if (palette_ != nullptr) palette_->release();
    palette_ = palette;
    return kOk;
  }

  Result getPixelFormat(PixelFormat& out) const override {
    out = format_;
    return kOk;
  }

  void attachBack(MemorySurface* back) { back_ = back; }
  const MemoryPalette* palette() const { return dynamic_cast<const MemoryPalette*>(palette_); }
  LockedSurface describe() const {
    LockedSurface out;
    out.bits = memory_->data();
    out.pitch = pitch_;
    out.width = width_;
    out.height = height_;
    out.format = format_;
    return out;
  }
  void showFront() {
    if (state_->library == nullptr) return;
    const MemoryPalette* attached = palette();
    state_->present(describe(), attached != nullptr ? attached->entries() : nullptr);
  }

 private:
  std::shared_ptr<State> state_;
  std::unique_ptr<std::vector<uint8_t>> memory_;
  uint32_t width_;
  uint32_t height_;
  int32_t pitch_ = 0;
  PixelFormat format_;
  bool primary_;
  MemorySurface* back_ = nullptr;
  Palette* palette_ = nullptr;
  bool lost_ = false;
  bool locked_ = false;
};

Result MemoryPalette::setEntries(uint32_t first, uint32_t count, const PaletteEntry* entries) {
  if (entries == nullptr || first > 256 || count > 256 - first) return kErrInvalidParams;
  std::copy_n(entries, count, entries_ + first);
  // New colours of the palette the screen uses show at once.
  if (state_->primary != nullptr && state_->primary->palette() == this) {
    state_->primary->showFront();
  }
  return kOk;
}

namespace {

class MemoryDirect3D : public Unknown {};

class MemoryDirectDraw : public DirectDraw {
 public:
  MemoryDirectDraw(std::shared_ptr<State> state, int version)
      : state_(std::move(state)), version_(version) {
    ++state_->record().liveObjects;
  }
  ~MemoryDirectDraw() override {
    if (state_->library == nullptr) return;
    // Giving up the display gives the desktop its mode back.
    if (modeSet_) {
      state_->record().mode = DisplayModeInfo{};
      restoreMode();
    }
    --state_->record().liveObjects;
  }

  int version() const override { return version_; }

  Result setCooperativeLevel(Window* window, uint32_t flags) override {
    DisplayFaults* faults = state_->faults();
    if (faults == nullptr) return kErrGeneric;
    if ((flags & kCoopExclusive) != 0 && !isWindow(window)) return kErrInvalidParams;
    if (faults->cooperativeLevel != kOk) return faults->cooperativeLevel;
    DisplayRecord& record = state_->record();
    record.cooperativeWindow = window;
    record.cooperativeFlags = flags;
    record.cooperativeHistory.push_back(flags);
    window_ = window;
    exclusive_ = (flags & kCoopExclusive) != 0;
    return kOk;
  }

  Result setDisplayMode(uint32_t width, uint32_t height, uint32_t bits, uint32_t refreshRate,
                        uint32_t) override {
    DisplayFaults* faults = state_->faults();
    if (faults == nullptr) return kErrGeneric;
    if (!exclusive_) return kErrNoExclusiveMode;
    if (faults->displayMode != kOk) return faults->displayMode;
    DisplayModeInfo mode{width, height, bits, refreshRate};
    if (!state_->modeSupported(mode)) return kErrInvalidMode;
    state_->record().mode = mode;
    ++state_->record().modeChanges;
    modeSet_ = true;
    state_->modeChanged(window_, mode);
    return kOk;
  }

  Result restoreDisplayMode() override {
    if (state_->library == nullptr) return kErrGeneric;
    state_->record().mode = DisplayModeInfo{};
    restoreMode();
    return kOk;
  }

  Result createSurface(const SurfaceRequest& request, Surface** out) override {
    DisplayFaults* faults = state_->faults();
    if (out == nullptr) return kErrInvalidParams;
    *out = nullptr;
    if (faults == nullptr) return kErrGeneric;
    if ((request.caps & kCapsPrimarySurface) == 0) return kErrUnsupported;
    if (faults->primarySurface != kOk) return faults->primarySurface;
    bool wantsBack = (request.flags & kDescBackBufferCount) != 0 && request.backBufferCount > 0;
    if (wantsBack && (request.backBufferCount != 1 || (request.caps & kCapsFlip) == 0)) {
      return kErrInvalidParams;
    }
    MemoryDirectDrawLibrary& library = *state_->library;
    library.record.surfaceRequests.push_back(request);
    DisplayModeInfo mode = library.record.mode;
    if (mode.width == 0) {
      ScreenInfo screen = screenInfo();
      mode = {static_cast<uint32_t>(screen.width), static_cast<uint32_t>(screen.height), 32, 0};
    }
    uint32_t bits = library.surfaceBitsOverride != 0 ? library.surfaceBitsOverride
                                                     : mode.bitsPerPixel;
    PixelFormat format = formatOf(bits, library.sixteenBitIs565);
    auto* primary = new MemorySurface(state_, mode.width, mode.height, format,
                                      library.extraPitch, true);
    if (wantsBack) {
      primary->attachBack(new MemorySurface(state_, mode.width, mode.height, format,
                                            library.extraPitch, false));
    }
    *out = primary;
    return kOk;
  }

  Result createPalette(uint32_t caps, const PaletteEntry* entries, Palette** out) override {
    DisplayFaults* faults = state_->faults();
    if (out == nullptr || entries == nullptr) return kErrInvalidParams;
    *out = nullptr;
    if (faults == nullptr) return kErrGeneric;
    if ((caps & kPalette8Bit) == 0) return kErrUnsupported;
    if (faults->palette != kOk) return faults->palette;
    *out = new MemoryPalette(state_, entries);
    return kOk;
  }

  Result enumDisplayModes(const std::function<bool(const DisplayModeInfo&)>& mode) override {
    if (state_->library == nullptr) return kErrGeneric;
    for (const DisplayModeInfo& m : state_->library->modes) {
      if (!mode(m)) break;
    }
    return kOk;
  }

  Result waitForVerticalBlank() override {
    if (state_->library == nullptr) return kErrGeneric;
    ++state_->record().verticalBlankWaits;
    return kOk;
  }

  Result flipToGdiSurface() override {
    if (state_->library == nullptr) return kErrGeneric;
    ++state_->record().flipsToGdi;
    return kOk;
  }

  Result queryDirectDraw7(DirectDraw** out) override {
    DisplayFaults* faults = state_->faults();
    if (out == nullptr) return kErrInvalidParams;
    *out = nullptr;
    if (faults == nullptr) return kErrGeneric;
    if (version_ == 7) {
      addRef();
      *out = this;
      return kOk;
    }
    if (faults->noDirectDraw7 || !state_->library->createExPresent) {
      return static_cast<Result>(0x80004002u);  // no such interface
    }
    *out = new MemoryDirectDraw(state_, 7);
    return kOk;
  }

  Result queryDirect3D7(Unknown** out) override {
    DisplayFaults* faults = state_->faults();
    if (out == nullptr) return kErrInvalidParams;
    *out = nullptr;
    if (faults == nullptr) return kErrGeneric;
    if (version_ != 7) return static_cast<Result>(0x80004002u);
    if (faults->direct3D != kOk) return faults->direct3D;
    *out = new MemoryDirect3D;
    return kOk;
  }

 private:
  void restoreMode() {
    modeSet_ = false;
    state_->modeChanged(window_, DisplayModeInfo{});
  }

  std::shared_ptr<State> state_;
  int version_;
  Window* window_ = nullptr;
  bool exclusive_ = false;
  bool modeSet_ = false;
};

}  // namespace

MemoryDirectDrawLibrary::MemoryDirectDrawLibrary() : state_(std::make_shared<State>()) {
  state_->library = this;
  devices.push_back(MemoryDevice{});
  for (uint32_t bits : {8u, 16u, 32u}) {
    for (auto [w, h] : {std::pair{320u, 240u}, {640u, 480u}, {800u, 600u}, {1024u, 768u}}) {
      modes.push_back({w, h, bits, 60});
    }
  }
}

MemoryDirectDrawLibrary::~MemoryDirectDrawLibrary() {
  state_->library = nullptr;
  state_->primary = nullptr;
}

Result MemoryDirectDrawLibrary::enumerateDevices(
    uint32_t, const std::function<bool(const DeviceEntry&)>& device) {
  if (!hasEnumerateEx()) return kErrUnsupported;
  for (const MemoryDevice& d : devices) {
    DeviceEntry entry{d.isDefault ? nullptr : &d.guid, d.description, d.name};
    if (!device(entry)) break;
  }
  return kOk;
}

bool MemoryDirectDrawLibrary::knownDevice(const Guid* device) const {
  return device == nullptr ||
         std::any_of(devices.begin(), devices.end(),
                     [device](const MemoryDevice& d) { return !d.isDefault && d.guid == *device; });
}

Result MemoryDirectDrawLibrary::create(const Guid* device, DirectDraw** out) {
  if (out == nullptr) return kErrInvalidParams;
  *out = nullptr;
  if (!libraryPresent) return kErrGeneric;
  if (faults.create != kOk) return faults.create;
  if (!knownDevice(device)) return kErrInvalidDirectDrawGuid;
  *out = new MemoryDirectDraw(state_, 1);
  return kOk;
}

Result MemoryDirectDrawLibrary::createEx(const Guid* device, DirectDraw** out) {
  if (out == nullptr) return kErrInvalidParams;
  *out = nullptr;
  if (!hasCreateEx()) return kErrUnsupported;
  if (faults.createEx != kOk) return faults.createEx;
  if (!knownDevice(device)) return kErrInvalidDirectDrawGuid;
  *out = new MemoryDirectDraw(state_, 7);
  return kOk;
}

void MemoryDirectDrawLibrary::present(const LockedSurface&, const PaletteEntry*) {}

void MemoryDirectDrawLibrary::displayModeChanged(Window*, const DisplayModeInfo&) {}

bool MemoryDirectDrawLibrary::modeSupported(const DisplayModeInfo& mode) const {
  bool depth = mode.bitsPerPixel == 8 || mode.bitsPerPixel == 16 || mode.bitsPerPixel == 24 ||
               mode.bitsPerPixel == 32;
  return depth && mode.width >= 1 && mode.height >= 1 && mode.width <= 4096 &&
         mode.height <= 4096;
}

std::vector<uint32_t> MemoryDirectDrawLibrary::frontPixels(uint32_t& width,
                                                           uint32_t& height) const {
  width = height = 0;
  if (state_->primary == nullptr) return {};
  LockedSurface front = state_->primary->describe();
  const MemoryPalette* palette = state_->primary->palette();
  width = front.width;
  height = front.height;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(front.bits) + static_cast<size_t>(y) * front.pitch;
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t rgb = 0;
      if (front.format.bitCount == 8) {
        if (palette != nullptr) {
          const PaletteEntry& e = palette->entries()[row[x]];
          rgb = (static_cast<uint32_t>(e.red) << 16) | (e.green << 8) | e.blue;
        }
      } else {
        uint32_t p = 0;
        std::memcpy(&p, row + x * (front.format.bitCount / 8), front.format.bitCount / 8);
        rgb = (widenChannel(p, front.format.redMask) << 16) |
              (widenChannel(p, front.format.greenMask) << 8) | widenChannel(p, front.format.blueMask);
      }
      pixels[static_cast<size_t>(y) * width + x] = rgb;
    }
  }
  return pixels;
}

std::vector<PaletteEntry> MemoryDirectDrawLibrary::frontPalette() const {
  if (state_->primary == nullptr || state_->primary->palette() == nullptr) return {};
  const PaletteEntry* entries = state_->primary->palette()->entries();
  return std::vector<PaletteEntry>(entries, entries + 256);
}

namespace {
std::atomic<DirectDrawLibrary*> gLibrary{nullptr};
}  // namespace

DirectDrawLibrary& directDrawLibrary() {
  static MemoryDirectDrawLibrary* fallback = new MemoryDirectDrawLibrary;
  DirectDrawLibrary* library = gLibrary.load();
  return library != nullptr ? *library : *fallback;
}

void setDirectDrawLibrary(DirectDrawLibrary* library) { gLibrary.store(library); }

}  // namespace quorix::platform::ddraw
