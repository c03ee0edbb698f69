/* HostEnvironment: the engine record every effect plug-in reaches through its call block, and
 * the host procedure numbers of GetHostProc.
 *
 * The record belongs to the engine and keeps its address while the engine library is loaded.
 * Its buffer descriptors are valid during a plug-in call made by the engine, on the render
 * thread; the picture descriptor is set before each open. */
#ifndef QUORIX_PLUGIN_SDK_HOST_ENVIRONMENT_H
#define QUORIX_PLUGIN_SDK_HOST_ENVIRONMENT_H

#include "plugin_sdk/buffer_desc.h"

#define QX_HOST_ENVIRONMENT_VERSION 0x13000u

/* Blit modes of CopyBlit (bits 0-23 of the mode word; bits 24-31 are ignored). */
enum {
  QX_BLIT_COPY = 1,     /* copy; nearest-neighbour when the rectangles differ in size */
  QX_BLIT_KEY = 2,      /* copy all but key pixels (index 0, 0x7FFF, white) */
  QX_BLIT_MIX_DEST = 3, /* save the destination into the WorkBuffer, then mix as mode 4 */
  QX_BLIT_MIX_WORK = 4, /* mix the source with the WorkBuffer at the destination position */
  QX_BLIT_FADE = 5,     /* level-weighted mix of source and WorkBuffer */
  QX_BLIT_MASK = 6      /* per-pixel mix weighted by the AlphaMask */
};

/* Copies (and blends) source rectangle of one buffer into destination rectangle of another.
 * The destination rectangle may be clipped in place. Draws nothing on bad input. */
typedef void (*CopyBlitProc)(const BufferDesc* source, const BufferDesc* destination,
                             Rect16* sourceRect, Rect16* destinationRect, uint32_t mode);

/* Sets display palette entries first .. first + count - 1 (8-bit frames only). */
typedef void (*SetPaletteProc)(int32_t first, int32_t count, const ColorEntry* entries);

/* Maps a host procedure number (QX_HOST_PROC_*) to the engine function, or null. The caller
 * casts the result to the procedure's documented type and tests it for null first. */
typedef QxProc (*GetHostProcProc)(int32_t index);

typedef struct HostEnvironment {
  uint32_t version;          /* QX_HOST_ENVIRONMENT_VERSION */
  BufferDesc frame;          /* the visible frame */
  BufferDesc work;           /* the WorkBuffer: same size, depth and row bytes as the frame */
  BufferDesc picture;        /* the picture or movie frame of the key that started the
                                effect; empty (null pixels, depth 8) without a medium */
  ColorEntry* colorEntries;  /* 2 x 256 entries: the Synth's palette written twice */
  CopyBlitProc copyBlit;
  SetPaletteProc setPalette;
  GetHostProcProc getHostProc;
} HostEnvironment;

QX_STATIC_ASSERT(offsetof(HostEnvironment, frame) == QX_LAYOUT(4, 8), "HostEnvironment.frame");
QX_STATIC_ASSERT(offsetof(HostEnvironment, work) == QX_LAYOUT(48, 64), "HostEnvironment.work");
QX_STATIC_ASSERT(offsetof(HostEnvironment, picture) == QX_LAYOUT(92, 120), "HostEnvironment.picture");
QX_STATIC_ASSERT(offsetof(HostEnvironment, colorEntries) == QX_LAYOUT(136, 176), "HostEnvironment.colorEntries");
QX_STATIC_ASSERT(offsetof(HostEnvironment, copyBlit) == QX_LAYOUT(140, 184), "HostEnvironment.copyBlit");
QX_STATIC_ASSERT(offsetof(HostEnvironment, setPalette) == QX_LAYOUT(144, 192), "HostEnvironment.setPalette");
QX_STATIC_ASSERT(offsetof(HostEnvironment, getHostProc) == QX_LAYOUT(148, 200), "HostEnvironment.getHostProc");
QX_STATIC_ASSERT(sizeof(HostEnvironment) == QX_LAYOUT(152, 208), "HostEnvironment size");

/* Host procedure numbers. Times are ticks (1/60 s) or milliseconds as named; Synth and movie
 * indexes are 0-based and out-of-range indexes give 0. Numbers not listed give null. */
enum {
  QX_HOST_PROC_COPY_BLIT = 1,            /* (src, dst, srcRect, dstRect, mode): CopyBlit */
  QX_HOST_PROC_SET_PALETTE = 2,          /* (first, count, entries): 8-bit frames only */
  QX_HOST_PROC_PLAY_TRACK = 3,           /* (track, command) -> next check time */
  QX_HOST_PROC_PICTURE_DESCRIPTOR = 4,   /* (picture, synth, BufferDesc* out) */
  QX_HOST_PROC_GET_PICTURE = 5,          /* (picture, synth) -> picture handle or 0 */
  QX_HOST_PROC_PITCH_BEND = 6,           /* () -> pitch bend (value - 64) */
  QX_HOST_PROC_CONTROLLER1 = 7,          /* () -> value of controller 1 */
  QX_HOST_PROC_EVENT_STATUS = 8,         /* () -> status of the last event */
  QX_HOST_PROC_EVENT_KEY = 9,            /* () -> key of the last event */
  QX_HOST_PROC_EVENT_VALUE = 10,         /* () -> value of the last event */
  QX_HOST_PROC_GET_BLEND_LEVEL = 11,     /* () -> BlendLevel 0..127 */
  QX_HOST_PROC_SET_BLEND_LEVEL = 12,     /* (level) */
  QX_HOST_PROC_TICKS = 13,               /* () -> clock in ticks */
  QX_HOST_PROC_CONTROLLER = 14,          /* (controller) -> value 0..127 */
  QX_HOST_PROC_ALPHA_MASK = 16,          /* () -> BufferDesc* of the AlphaMask */
  QX_HOST_PROC_MILLISECONDS = 17,        /* () -> clock in milliseconds */
  QX_HOST_PROC_NOTHING_18 = 18,          /* (any): does nothing */
  QX_HOST_PROC_NOTHING_19 = 19,          /* (any): does nothing */
  QX_HOST_PROC_MOVIE_OF = 20,            /* (synth, movie) -> platform movie or 0 */
  QX_HOST_PROC_MOVIE_SET_RATE = 21,      /* (movie, rate) */
  QX_HOST_PROC_MOVIE_DURATION = 22,      /* (movie) -> duration */
  QX_HOST_PROC_MOVIE_TIME_SCALE = 23,    /* (movie) -> time scale */
  QX_HOST_PROC_MOVIE_SET_TIME = 24,      /* (movie, time) */
  QX_HOST_PROC_MOVIE_START = 25,         /* (movie) */
  QX_HOST_PROC_MOVIE_STOP = 26,          /* (movie) */
  QX_HOST_PROC_LOG_TEXT = 27,            /* (text): to the diagnostic log when open */
  QX_HOST_PROC_GET_BLOB = 28,            /* (settings block, synth) -> data handle or 0 */
  QX_HOST_PROC_SET_BLOB = 29,            /* (settings block, synth, data handle) */
  QX_HOST_PROC_MODULE_AND_WINDOW = 30,   /* (module out, window out) */
  QX_HOST_PROC_LOAD_MEDIA = 31,          /* (synth, name, type, bytes, size) -> entry or status */
  QX_HOST_PROC_SET_FRONT_DIALOG = 32,    /* (window) */
  QX_HOST_PROC_MOVIE_DATA = 33,          /* (synth, movie) -> data handle */
  QX_HOST_PROC_MOVIE_OPEN = 34,          /* (synth, movie) */
  QX_HOST_PROC_MOVIE_UPDATE = 35,        /* (movie) */
  QX_HOST_PROC_SET_DIALOG_SHOWN = 36,    /* (flag) */
  QX_HOST_PROC_MOVIE_HANDLER = 37,       /* (movie) -> media handler or null */
  QX_HOST_PROC_MOVIE_TIME = 38,          /* (movie) -> current time */
  QX_HOST_PROC_MOVIE_SET_LOOP = 39,      /* (movie, flag) */
  QX_HOST_PROC_MEDIA_PLATFORM = 40,      /* () -> media platform start result, 0 = ready */
  QX_HOST_PROC_PROCESSOR = 41,           /* (stepping out, fpu out, zero out) -> MMX flag */
  QX_HOST_PROC_NOTHING_42 = 42,          /* (any): does nothing */
  QX_HOST_PROC_ACCELERATED_COPY = 43,    /* () -> 0: no accelerated copy */
  QX_HOST_PROC_NOTHING_44 = 44,          /* (any): does nothing */
  QX_HOST_PROC_NOTHING_45 = 45,          /* (any): does nothing */
  QX_HOST_PROC_DIRECT_DRAWING = 46,      /* () -> 0: no direct drawing */
  QX_HOST_PROC_DISPLAY_INTERFACES = 47,  /* (five pointers out) */
  QX_HOST_PROC_DRAWING_PORT = 48,        /* (port out, offscreen out, flip flag out) */
  QX_HOST_PROC_LOCK_DISPLAY = 49,        /* () -> result of the display hook, 0 if none */
  QX_HOST_PROC_PRESENT = 50,             /* () */
  QX_HOST_PROC_FIND_SERVICE = 51,        /* (FourCC) -> service table or null */
  QX_HOST_PROC_INSTALL_HOOKS = 52,       /* (active, before-frame, present) -> 0 */
  QX_HOST_PROC_ZERO_53 = 53,             /* () -> 0 */
  QX_HOST_PROC_NOTHING_54 = 54,          /* () */
  QX_HOST_PROC_TOOLBOX = 257             /* () -> HostToolbox* */
};

#endif
