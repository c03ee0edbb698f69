/* Engine status codes: 0 is success, failures are negative. */
#ifndef QUORIX_PLUGIN_SDK_STATUS_CODES_H
#define QUORIX_PLUGIN_SDK_STATUS_CODES_H

enum {
  QX_OK = 0,

  /* Engine and visuals. */
  QX_ERR_NO_BANK = -5,             /* the Synth's Patch bank cannot be loaded */
  QX_ERR_NO_VISUAL = -6,           /* no visual could be opened */
  QX_ERR_BANK_LOAD_11 = -11,       /* bank loading */
  QX_ERR_BANK_LOAD_12 = -12,       /* bank loading */
  QX_ERR_MEMORY = -108,            /* an allocation failed */

  /* Display and buffers. */
  QX_ERR_NO_SYNTH = -10000,        /* no Synth or Patch selected; also "not found" lookups */
  QX_ERR_DISPLAY_DEPTH = -10001,   /* wrong display depth; a stored version of 65535 */
  QX_ERR_BUFFERS = -10002,         /* frame buffers could not be allocated */
  QX_ERR_SCREEN_SIZE = -10003,     /* frame larger than the monitor */
  QX_ERR_SURFACE_LOCK = -10004,    /* the display surface could not be locked */

  /* Chunk files: the container. */
  QX_ERR_NO_PATH = -1,
  QX_ERR_OPEN_FAILED = -2,
  QX_ERR_SHORT_WRITE = -3,
  QX_ERR_SHORT_READ = -4,
  QX_ERR_CHUNK_NOT_FOUND = -5000,
  QX_ERR_DIRECTORY_CREATE = -5001,
  QX_ERR_DIRECTORY_GROW = -5002,
  QX_ERR_DIRECTORY_GROW_2 = -5003,
  QX_ERR_CHUNK_HEADER_WRITE = -5004,
  QX_ERR_HEADER_CHUNK_WRITE = -5005,
  QX_ERR_READ_FIRST_HEADER = -5006,
  QX_ERR_HEADER_CHUNK_SIZE = -5007,
  QX_ERR_HEADER_CHUNK_TYPE = -5008,
  QX_ERR_HEADER_CHUNK_DATA = -5009,
  QX_ERR_CHUNK_COUNT_ZERO = -5010,
  QX_ERR_CHUNK_COUNT_HUGE = -5011,
  QX_ERR_READ_CHUNK_HEADER = -5012,
  QX_ERR_WRITE_FAILED = -5013,
  QX_ERR_READ_PREFIX = -5014,
  QX_ERR_READ_WHOLE = -5015,
  QX_ERR_FREE_WRITE = -5016,
  QX_ERR_FREE_NOT_FOUND = -5017,
  QX_ERR_VERIFY_DIRECTORY_SIZE = -5100,
  QX_ERR_VERIFY_USED = -5101,
  QX_ERR_VERIFY_ALLOCATED = -5102,
  QX_ERR_VERIFY_USED_OVER = -5103,
  QX_ERR_VERIFY_OFFSET = -5104,
  QX_ERR_VERIFY_HEADER_CHUNK = -5106,
  QX_ERR_VERIFY_CHUNK_HEADER = -5107,

  /* Chunk files: Synth chunks (open or memory, then release). */
  QX_ERR_SYTH_OPEN = -6000,
  QX_ERR_SYTH_RELEASE = -6001,
  QX_ERR_PTCH_OPEN = -6002,
  QX_ERR_PTCH_RELEASE = -6003,
  QX_ERR_PIXX_OPEN = -6004,
  QX_ERR_PIXX_RELEASE = -6005,
  QX_ERR_MVXX_OPEN = -6006,
  QX_ERR_MVXX_RELEASE = -6007,
  QX_ERR_3DXX_OPEN = -6008,
  QX_ERR_3DXX_RELEASE = -6009,
  QX_ERR_CLUT_OPEN = -6010,
  QX_ERR_CLUT_RELEASE = -6011,
  QX_ERR_TRSP_MEMORY = -6012,
  QX_ERR_RKRD_OPEN = -6014,
  QX_ERR_RKRD_RELEASE = -6015,
  QX_ERR_RKTR_OPEN = -6016,
  QX_ERR_RKTR_RELEASE = -6017,
  QX_ERR_WPOS_OPEN = -6018,
  QX_ERR_RKLT_OPEN = -6020,
  QX_ERR_RKLT_RELEASE = -6021,
  QX_ERR_BLDT_EMPTY = -6022,
  QX_ERR_BLDT_MEMORY = -6023,

  /* Pictures and movies. */
  QX_ERR_BITMAP_COMPRESSION = -3,  /* a compressed Windows bitmap */
  QX_ERR_BITMAP_DEPTH = -4,        /* a bit count the bitmap decoder does not take */
  QX_ERR_FILE_NOT_FOUND = -43,     /* a movie file that is not there */
  QX_ERR_NO_DECODER = -2003,       /* no decoder for a movie's pictures */
  QX_ERR_INVALID_MOVIE = -2010,    /* not a movie, or a damaged one */
  QX_ERR_MEDIA_UNAVAILABLE = -2093,/* the media platform is not started */
  QX_ERR_PICTURE_DATA = -11005,    /* damaged or truncated picture data */
  QX_ERR_TOO_MANY_PICTURES = -11006,/* a Synth holds 100 pictures at most */

  /* The same numbers as the chunks that share them report them. */
  QX_ERR_WPOS_RELEASE = -6017,     /* reading "WPOS" */
  QX_ERR_BLHD_OPEN = -6016,        /* reading "BLHD" */
  QX_ERR_BLHD_RELEASE = -6017,     /* reading "BLHD" */
  QX_ERR_RKLT_READ_RELEASE = -6017,/* reading "RKLT" */
  QX_ERR_BLDT_RELEASE = -6001,     /* reading "BLDT" */
  QX_ERR_SHARED_OPEN = -6000,      /* writing "WPOS", "BLDT", "BLHD" */
  QX_ERR_SHARED_RELEASE = -6001    /* writing "WPOS", "BLDT", "BLHD" */
};

#endif
