#include "display/direct_draw_errors.h"

#include <iterator>

namespace quorix::display {
namespace {

struct ErrorText {
  uint32_t code;
  const char* text;
};

constexpr uint32_t dd(uint32_t code) { return 0x88760000u + code; }

constexpr ErrorText kErrors[] = {
    {0x80004001u, "The operation is not supported."},
    {0x80004005u, "There is an undefined error condition."},
    {0x800401F0u, "An attempt was made to call an interface method of a DirectDraw object "
                  "created by CoCreateInstance before the object was initialized."},
    {0x8007000Eu, "DirectDraw does not have enough memory to perform the operation."},
    {0x80070057u, "One or more of the parameters passed to the method are incorrect."},
    {dd(5), "The object has already been initialized."},
    {dd(10), "A surface cannot be attached to another requested surface."},
    {dd(20), "A surface cannot be detached from another requested surface."},
    {dd(40), "No support is currently available."},
    {dd(55), "An exception was encountered while performing the requested operation."},
    {dd(90), "The height of the provided rectangle is not a multiple of the required alignment."},
    {dd(95), "The primary surface creation request does not match the existing primary "
             "surface."},
    {dd(100), "One or more of the capability bits passed to the callback function are "
              "incorrect."},
    {dd(110), "DirectDraw does not support the provided clip list."},
    {dd(120), "DirectDraw does not support the requested mode."},
    {dd(130), "DirectDraw received a pointer that was an invalid DirectDraw object."},
    {dd(145), "The pixel format was invalid as specified."},
    {dd(150), "The provided rectangle was invalid."},
    {dd(160), "One or more surfaces are locked, preventing operations that require them to be "
              "unlocked."},
    {dd(170), "No 3-D hardware or emulation is present."},
    {dd(180), "No alpha-acceleration hardware is present or available, causing the failure of "
              "the requested operation."},
    {dd(181), "There is no stereo hardware present or available."},
    {dd(182), "There is no hardware present that supports stereo surfaces."},
    {dd(205), "No clip list is available."},
    {dd(210), "No color-conversion hardware is present or available."},
    {dd(212), "A create function was called without the IDirectDraw7::SetCooperativeLevel "
              "method."},
    {dd(215), "The surface does not currently have a color key."},
    {dd(220), "There is no hardware support for the destination color key."},
    {dd(222), "DirectDraw support is not possible with the current display driver."},
    {dd(225), "The operation requires the application to have exclusive mode, but the "
              "application does not have exclusive mode."},
    {dd(230), "Flipping visible surfaces is not supported."},
    {dd(240), "No GDI is present."},
    {dd(250), "No mirroring hardware is present or available."},
    {dd(255), "The requested item was not found."},
    {dd(260), "No overlay hardware is present or available."},
    {dd(270), "The source and destination rectangles are on the same surface and overlap each "
              "other."},
    {dd(280), "No appropriate raster-operation hardware is present or available."},
    {dd(290), "No rotation hardware is present or available."},
    {dd(310), "There is no hardware support for stretching."},
    {dd(316), "The DirectDrawSurface object is not using a 4-bit color palette, and the "
              "requested operation requires a 4-bit color palette."},
    {dd(317), "The DirectDrawSurface object is not using a 4-bit color index palette, and the "
              "requested operation requires a 4-bit color index palette."},
    {dd(320), "The DirectDrawSurface object is not using an 8-bit color palette, and the "
              "requested operation requires an 8-bit color palette."},
    {dd(330), "The operation cannot be carried out because no texture-mapping hardware is "
              "present or available."},
    {dd(335), "There is no hardware support for vertical blank-synchronized operations."},
    {dd(340), "The operation to create a z-buffer in display memory or to perform a blit, "
              "using a z-buffer cannot be carried out because there is no hardware support "
              "for z-buffers."},
    {dd(350), "The overlay surfaces cannot be z-layered, based on the z-order because the "
              "hardware does not support z-ordering of overlays."},
    {dd(360), "The hardware needed for the requested operation has already been allocated."},
    {dd(380), "DirectDraw does not have enough display memory to perform the operation."},
    {dd(382), "The hardware does not support clipped overlays."},
    {dd(384), "An attempt was made to have more than one color key active on an overlay."},
    {dd(387), "Access to this palette is refused because the palette is locked by another "
              "thread."},
    {dd(400), "No source color key is specified for this operation."},
    {dd(410), "An attempt was made to attach a surface to another surface to which it is "
              "already attached."},
    {dd(420), "An attempt was made to make a surface a dependency of another surface on which "
              "it is already dependent."},
    {dd(430), "Access to the surface is refused because the surface is locked by another "
              "thread."},
    {dd(435), "Access to the surface is refused because an attempt was made to lock the "
              "primary surface without DCI support."},
    {dd(440), "Access to the surface is refused because the surface is obscured."},
    {dd(450), "Access to the surface is refused because the surface memory is gone. Call the "
              "IDirectDrawSurface7::Restore method on this surface to restore the memory "
              "associated with it. "},
    {dd(460), "The requested surface is not attached."},
    {dd(470), "The height requested by DirectDraw is too large."},
    {dd(480), "The size requested by DirectDraw is too large. However, the individual height "
              "and width are valid sizes."},
    {dd(490), "The width requested by DirectDraw is too large."},
    {dd(510), "The pixel format requested is not supported by DirectDraw."},
    {dd(520), "The bitmask in the pixel format requested is not supported by DirectDraw."},
    {dd(521), "The specified stream contains invalid data."},
    {dd(537), "A vertical blank is in progress."},
    {dd(540), "The previous blit operation that is transferring information to or from this "
              "surface is incomplete."},
    {dd(542), "The surface requires the DDSCAPS_COMPLEX flag."},
    {dd(560), "The provided rectangle was not horizontally aligned on a required boundary."},
    {dd(561), "The globally unique identifier (GUID) passed to the DirectDrawCreate function is "
              "not a valid DirectDraw driver identifier."},
    {dd(562), "A DirectDraw object representing this driver has already been created for this "
              "process."},
    {dd(563), "Hardware-only DirectDraw object creation is not possible; the driver does not "
              "support any hardware."},
    {dd(564), "This process has already created a primary surface."},
    {dd(565), "Software emulation is not available."},
    {dd(566), "The region passed to the IDirectDrawClipper::GetClipList method is too small."},
    {dd(567), "An attempt was made to set a clip list for a DirectDrawClipper object that is "
              "already monitoring a window handle."},
    {dd(568), "No DirectDrawClipper object is attached to the surface object."},
    {dd(569), "Clipper notification requires a window handle, or no window handle has been "
              "previously set as the cooperative level window handle."},
    {dd(570), "DirectDraw is prevented from restoring state because the DirectDraw "
              "cooperative-level window handle has been subclassed."},
    {dd(571), "The DirectDraw cooperative-level window handle has already been set. It cannot "
              "be reset while the process has surfaces or palettes created."},
    {dd(572), "No palette object is attached to this surface."},
    {dd(573), "There is no hardware support for 16- or 256-color palettes."},
    {dd(574), "A DirectDrawClipper object is attached to a source surface that has passed into "
              "a call to the IDirectDrawSurface7::BltFast method."},
    {dd(575), "No blitter hardware is present."},
    {dd(576), "No DirectDraw raster-operation (ROP) hardware is available."},
    {dd(577), "The IDirectDrawSurface7::GetOverlayPosition method was called on a hidden "
              "overlay."},
    {dd(578), "The IDirectDrawSurface7::GetOverlayPosition method is called on an overlay that "
              "the IDirectDrawSurface7::UpdateOverlay method has not been called on to "
              "establish as a destination."},
    {dd(579), "The position of the overlay on the destination is no longer legal."},
    {dd(580), "An overlay component is called for a nonoverlay surface."},
    {dd(581), "An attempt was made to set the cooperative level when it was already set to "
              "exclusive."},
    {dd(582), "An attempt was made to flip a surface that cannot be flipped."},
    {dd(583), "Primary and 3-D surfaces, or surfaces that are implicitly created, cannot be "
              "duplicated."},
    {dd(584), "An attempt was made to unlock a surface that was not locked."},
    {dd(585), "Windows cannot create any more device contexts (DCs), or a DC has requested a "
              "palette-indexed surface when the surface had no palette and the display mode "
              "was not palette-indexed (in this case DirectDraw cannot select a proper palette "
              "into the DC)."},
    {dd(586), "No device context (DC) has ever been created for this surface."},
    {dd(587), "This surface cannot be restored because it was created in a different mode."},
    {dd(588), "The surface cannot be restored because it is an implicitly created surface."},
    {dd(589), "The surface being used is not a palette-based surface."},
    {dd(590), "The display is currently in an unsupported mode."},
    {dd(591), "No mipmap-capable texture mapping hardware is present or available."},
    {dd(592), "The surface was of the wrong type."},
    {dd(600), "The device does not support optimized surfaces."},
    {dd(601), "The surface is an optimized surface, but it has not yet been allocated any "
              "memory."},
    {dd(602), "An attempt was made to create or set a device window without first setting the "
              "focus window."},
    {dd(620), "A device context (DC) has already been returned for this surface. Only one DC "
              "can be retrieved for each surface."},
    {dd(630), "An attempt was made to allocate nonlocal video memory from a device that does "
              "not support nonlocal video memory."},
    {dd(640), "An attempt to page-lock a surface failed. Page lock does not work on a "
              "display-memory surface or an emulated primary surface."},
    {dd(660), "An attempt to page-unlock a surface failed. Page unlock does not work on a "
              "display-memory surface or an emulated primary surface."},
    {dd(680), "An attempt was made to page-unlock a surface with no outstanding page locks."},
    {dd(690), "There is more data available than the specified buffer size can hold."},
    {dd(691), "The data has expired and is therefore no longer valid."},
    {dd(692), "The visual test has finished."},
    {dd(693), "The test has switched to a new display mode."},
    {dd(695), "The video port is not active."},
    {dd(696), "Testing cannot proceed because the display adapter has no monitor "
              "information."},
    {dd(697), "Testing cannot proceed because the display adapter driver does not enumerate "
              "refresh rates."},
    {dd(699), "Surfaces created by one DirectDraw device cannot be used directly by another "
              "DirectDraw device."},
};

}  // namespace

const char* directDrawErrorText(int32_t code) {
  if (code == 0) return "";
  for (const ErrorText& error : kErrors) {
    if (error.code == static_cast<uint32_t>(code)) return error.text;
  }
  return "Unknown error has occured.";
}

int directDrawErrorCount() { return static_cast<int>(std::size(kErrors)); }

}  // namespace quorix::display
