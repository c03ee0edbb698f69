// Movie files through FFmpeg: the first video stream is indexed when the file opens (the
// presentation time of every frame), decoded on demand (onward from the last frame decoded, or
// after a seek) and scaled into the movie's world with libswscale.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/media/color_canvas.h"
#include "platform/media/media_platform.h"
#include "plugin_sdk/status_codes.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace quorix::platform {
namespace {

// Pictures larger than this are refused: every frame is scaled through a buffer of its box.
constexpr int kMaxMovieSide = 4096;
// At most this many frames are indexed; a longer movie ends there.
constexpr size_t kMaxFrames = 1 << 20;
// Files above this size are played from the disk even when asked to load them into memory.
constexpr int64_t kMaxMemoryBytes = int64_t{512} << 20;
// Frames decoded onward before seeking is cheaper.
constexpr int32_t kDecodeAheadLimit = 48;
// Packets that fail to decode in a row before the frame counts as lost.
constexpr int kFailuresInARow = 16;
constexpr int kIoBufferSize = 32768;

// The engine's 32-bit pixels carry 0 in their fourth byte; the scaler writes 255 there.
void clearFourthBytes(uint8_t* pixels, int stride, int width, int height) {
  for (int y = 0; y < height; ++y) {
    uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x) row[4 * x + 3] = 0;
  }
}

void quietFfmpegLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// The whole file in memory, read through FFmpeg's I/O callbacks.
struct MemoryFile {
  std::vector<uint8_t> bytes;
  int64_t position = 0;

  static int read(void* opaque, uint8_t* buffer, int size) {
    auto* file = static_cast<MemoryFile*>(opaque);
    int64_t left = static_cast<int64_t>(file->bytes.size()) - file->position;
    if (left <= 0) return AVERROR_EOF;
    int count = static_cast<int>(std::min<int64_t>(left, size));
    std::memcpy(buffer, file->bytes.data() + file->position, static_cast<size_t>(count));
    file->position += count;
    return count;
  }
  static int64_t seek(void* opaque, int64_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(opaque);
    int64_t size = static_cast<int64_t>(file->bytes.size());
    switch (whence & ~AVSEEK_FORCE) {
      case AVSEEK_SIZE: return size;
      case SEEK_SET: break;
      case SEEK_CUR: offset += file->position; break;
      case SEEK_END: offset += size; break;
      default: return -1;
    }
    if (offset < 0 || offset > size) return -1;
    file->position = offset;
    return offset;
  }
};

class FfmpegMovieSource : public MovieSource {
 public:
  ~FfmpegMovieSource() override { closeInput(); sws_freeContext(scaler_); }

  int32_t open(const std::string& path);

  int32_t width() const override { return width_; }
  int32_t height() const override { return height_; }
  int64_t duration() const override { return duration_; }
  int32_t frameCount() const override { return static_cast<int32_t>(pts_.size()); }
  int64_t frameTime(int32_t index) const override { return toMovieTime(pts_[static_cast<size_t>(index)]); }
  int32_t trackTimeScale() const override { return trackTimeScale_; }
  int32_t drawFrame(int32_t index, const Rect16& box, const MovieWorld& world) override;
  int32_t loadIntoMemory() override;

 private:
  int32_t openInput();
  void closeInput();
  int32_t buildIndex();
  int64_t toMovieTime(int64_t pts) const {
    return av_rescale_q(pts - startPts_, timeBase_, AVRational{1, kMovieTimeScale});
  }
  bool decodeTo(int32_t index);
  bool seekTo(int32_t index);
  // Decodes the next frame of the stream into frame_; false at the end or after failures.
  bool decodeNext();
  int32_t indexOfPts(int64_t pts) const;
  int32_t scaleInto(const Rect16& box, const MovieWorld& world);

  std::string path_;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVIOContext* io_ = nullptr;
  std::unique_ptr<MemoryFile> memory_;
  SwsContext* scaler_ = nullptr;
  std::vector<uint8_t> scratch_;
  int stream_ = -1;
  AVRational timeBase_{1, kMovieTimeScale};
  int64_t startPts_ = 0;
  std::vector<int64_t> pts_;  // presentation times of the frames, ascending
  int64_t duration_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t trackTimeScale_ = kMovieTimeScale;
  int32_t decoded_ = -1;   // the frame in frame_, -1 for none
  bool drained_ = false;   // the decoder was told the packets ended
};

int32_t FfmpegMovieSource::open(const std::string& path) {
  path_ = path;
  struct stat facts {};
  if (stat(path.c_str(), &facts) != 0) return errno == ENOENT ? QX_ERR_FILE_NOT_FOUND : QX_ERR_INVALID_MOVIE;
  if (!S_ISREG(facts.st_mode) || facts.st_size == 0) return QX_ERR_INVALID_MOVIE;
  quietFfmpegLog();
  int32_t status = openInput();
  if (status != QX_OK) return status;
  return buildIndex();
}

int32_t FfmpegMovieSource::openInput() {
  closeInput();
  AVDictionary* options = nullptr;
  // Only the local file: no network protocols, and no name such as "http:x" read as one.
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  std::string url = "file:" + path_;
  if (memory_ != nullptr) {
    format_ = avformat_alloc_context();
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (format_ != nullptr && buffer != nullptr) {
      memory_->position = 0;
      io_ = avio_alloc_context(buffer, kIoBufferSize, 0, memory_.get(), MemoryFile::read, nullptr,
                               MemoryFile::seek);
    }
    if (io_ == nullptr) {
      av_free(buffer);
      av_dict_free(&options);
      return QX_ERR_MEMORY;
    }
    format_->pb = io_;
    url.clear();
  }
  int result = avformat_open_input(&format_, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (result < 0) return result == AVERROR(ENOMEM) ? QX_ERR_MEMORY : QX_ERR_INVALID_MOVIE;
  if (avformat_find_stream_info(format_, nullptr) < 0) return QX_ERR_INVALID_MOVIE;

  stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (stream_ < 0) {
    // A movie of sound only: it has a duration and nothing to draw.
    if (av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) < 0) return QX_ERR_INVALID_MOVIE;
    return QX_OK;
  }
  const AVStream* stream = format_->streams[stream_];
  const AVCodecParameters* parameters = stream->codecpar;
  if (parameters->width <= 0 || parameters->height <= 0 || parameters->width > kMaxMovieSide ||
      parameters->height > kMaxMovieSide) {
    return QX_ERR_INVALID_MOVIE;
  }
  const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
  if (decoder == nullptr) return QX_ERR_NO_DECODER;
  codec_ = avcodec_alloc_context3(decoder);
  packet_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  if (codec_ == nullptr || packet_ == nullptr || frame_ == nullptr) return QX_ERR_MEMORY;
  codec_->thread_count = 1;
  if (avcodec_parameters_to_context(codec_, parameters) < 0 || avcodec_open2(codec_, decoder, nullptr) < 0) {
    return QX_ERR_NO_DECODER;
  }
  width_ = parameters->width;
  height_ = parameters->height;
  timeBase_ = stream->time_base;
  trackTimeScale_ = timeBase_.num == 1 && timeBase_.den > 0 && timeBase_.den <= INT32_MAX
                        ? timeBase_.den
                        : kMovieTimeScale;
  decoded_ = -1;
  drained_ = false;
  return QX_OK;
}

void FfmpegMovieSource::closeInput() {
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  avformat_close_input(&format_);
  if (io_ != nullptr) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
}

int32_t FfmpegMovieSource::buildIndex() {
  if (stream_ < 0) {
    duration_ = format_->duration > 0
                    ? av_rescale_q(format_->duration, AV_TIME_BASE_Q, AVRational{1, kMovieTimeScale})
                    : 0;
    return QX_OK;
  }
  // Every packet of the stream is one frame; its presentation time places it. Packets the
  // file marks to be left out (beyond its edit list) are not shown.
  int64_t end = INT64_MIN;
  int64_t next = 0;
  while (pts_.size() < kMaxFrames && av_read_frame(format_, packet_) >= 0) {
    if (packet_->stream_index == stream_ && (packet_->flags & AV_PKT_FLAG_DISCARD) == 0) {
      int64_t pts = packet_->pts != AV_NOPTS_VALUE ? packet_->pts
                    : packet_->dts != AV_NOPTS_VALUE ? packet_->dts : next;
      pts_.push_back(pts);
      int64_t length = std::max<int64_t>(packet_->duration, 1);
      end = std::max(end, pts + length);
      next = pts + length;
    }
    av_packet_unref(packet_);
  }
  std::sort(pts_.begin(), pts_.end());
  pts_.erase(std::unique(pts_.begin(), pts_.end()), pts_.end());
  if (pts_.empty()) return QX_ERR_INVALID_MOVIE;
  startPts_ = pts_.front();
  duration_ = std::max<int64_t>(toMovieTime(end), 1);
  return seekTo(0) ? QX_OK : QX_ERR_INVALID_MOVIE;
}

int32_t FfmpegMovieSource::indexOfPts(int64_t pts) const {
  auto at = std::lower_bound(pts_.begin(), pts_.end(), pts);
  if (at == pts_.end()) return static_cast<int32_t>(pts_.size()) - 1;
  return static_cast<int32_t>(at - pts_.begin());
}

bool FfmpegMovieSource::seekTo(int32_t index) {
  if (av_seek_frame(format_, stream_, pts_[static_cast<size_t>(index)], AVSEEK_FLAG_BACKWARD) < 0 &&
      av_seek_frame(format_, stream_, startPts_, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0) {
    return false;
  }
  avcodec_flush_buffers(codec_);
  decoded_ = -1;
  drained_ = false;
  return true;
}

bool FfmpegMovieSource::decodeNext() {
  int failures = 0;
  while (true) {
    int received = avcodec_receive_frame(codec_, frame_);
    if (received == 0) {
      int64_t pts = frame_->best_effort_timestamp != AV_NOPTS_VALUE ? frame_->best_effort_timestamp
                                                                      : frame_->pts;
      decoded_ = pts != AV_NOPTS_VALUE ? indexOfPts(pts) : decoded_ + 1;
      return true;
    }
    if (received == AVERROR_EOF || (received == AVERROR(EAGAIN) && drained_)) return false;
    if (received != AVERROR(EAGAIN) && ++failures >= kFailuresInARow) return false;
    int read = av_read_frame(format_, packet_);
    if (read < 0) {
      avcodec_send_packet(codec_, nullptr);
      drained_ = true;
      continue;
    }
    if (packet_->stream_index == stream_) {
      int sent = avcodec_send_packet(codec_, packet_);
      if (sent < 0 && sent != AVERROR(EAGAIN) && ++failures >= kFailuresInARow) {
        av_packet_unref(packet_);
        return false;
      }
    }
    av_packet_unref(packet_);
  }
}

bool FfmpegMovieSource::decodeTo(int32_t index) {
  if (decoded_ == index) return true;
  if (decoded_ < 0 || index < decoded_ || index - decoded_ > kDecodeAheadLimit || drained_) {
    // A seek lands on a key frame at or before the time asked, as the file's index reckons
    // (some formats reckon by decoding time, and land beyond a frame shown earlier): seek
    // further back until the first frame decoded comes at or before the wanted one.
    for (int32_t back = 0;; back = back == 0 ? 1 : back * 2) {
      int32_t from = std::max(0, index - back);
      if (!seekTo(from) || !decodeNext()) return false;
      if (decoded_ <= index || from == 0) break;
    }
  }
  // Frames come in presentation order; the first at or after the wanted one is shown (a frame
  // that cannot be decoded leaves its successor in its place).
  while (decoded_ < index) {
    if (!decodeNext()) return false;
  }
  return true;
}

int32_t FfmpegMovieSource::drawFrame(int32_t index, const Rect16& box, const MovieWorld& world) {
  if (stream_ < 0 || index < 0 || index >= frameCount()) return QX_ERR_INVALID_MOVIE;
  if (box.right <= box.left || box.bottom <= box.top || world.pixels == nullptr) return QX_OK;
  if (!decodeTo(index)) return QX_ERR_INVALID_MOVIE;
  return scaleInto(box, world);
}

int32_t FfmpegMovieSource::scaleInto(const Rect16& box, const MovieWorld& world) {
  const int boxWidth = box.right - box.left;
  const int boxHeight = box.bottom - box.top;
  if (boxWidth > kMaxMovieSide || boxHeight > kMaxMovieSide) return QX_ERR_INVALID_MOVIE;
  AVPixelFormat output = AV_PIX_FMT_BGR0;
  int bytes = 4;
  if (world.format == kWorldFormat555 || world.format == kWorldFormat565) {
    output = world.format == kWorldFormat555 ? AV_PIX_FMT_RGB555 : AV_PIX_FMT_RGB565;
    bytes = 2;
  } else if (world.format != 32 && !(world.format == 8 && world.colors != nullptr)) {
    return QX_ERR_INVALID_MOVIE;
  }
  scaler_ = sws_getCachedContext(scaler_, frame_->width, frame_->height,
                                 static_cast<AVPixelFormat>(frame_->format), boxWidth, boxHeight,
                                 output, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (scaler_ == nullptr) return QX_ERR_INVALID_MOVIE;

  // The box inside the world: scaled there directly; otherwise (cut by the world, or 8 bits)
  // scaled aside and the visible part copied.
  const bool inside = box.left >= 0 && box.top >= 0 && box.right <= world.width &&
                      box.bottom <= world.height && world.format != 8;
  if (inside) {
    uint8_t* target = static_cast<uint8_t*>(world.pixels) +
                      static_cast<ptrdiff_t>(box.top) * world.rowBytes + box.left * bytes;
    int stride = world.rowBytes;
    sws_scale(scaler_, frame_->data, frame_->linesize, 0, frame_->height, &target, &stride);
    if (bytes == 4) clearFourthBytes(target, stride, boxWidth, boxHeight);
    return QX_OK;
  }
  const int stride = boxWidth * bytes;
  scratch_.resize(static_cast<size_t>(stride) * static_cast<size_t>(boxHeight));
  uint8_t* aside = scratch_.data();
  sws_scale(scaler_, frame_->data, frame_->linesize, 0, frame_->height, &aside, &stride);
  if (bytes == 4) clearFourthBytes(aside, stride, boxWidth, boxHeight);
  const int top = std::max<int>(box.top, 0), bottom = std::min<int>(box.bottom, world.height);
  const int left = std::max<int>(box.left, 0), right = std::min<int>(box.right, world.width);
  if (world.format == 8) {
    BufferDesc target{};
    target.baseAddr = world.pixels;
    target.bitsPerPixel = 8;
    target.bounds = Rect16{0, 0, static_cast<int16_t>(world.height), static_cast<int16_t>(world.width)};
    target.rowBytes = world.rowBytes;
    target.colorEntries = const_cast<ColorEntry*>(world.colors);
    ColorCanvas canvas(target);
    for (int y = top; y < bottom; ++y) {
      const uint8_t* row = aside + static_cast<size_t>(y - box.top) * stride;
      for (int x = left; x < right; ++x) {
        const uint8_t* p = row + (x - box.left) * 4;
        canvas.put(x, y, (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]);
      }
    }
    return QX_OK;
  }
  for (int y = top; y < bottom && left < right; ++y) {
    std::memcpy(static_cast<uint8_t*>(world.pixels) + static_cast<ptrdiff_t>(y) * world.rowBytes + left * bytes,
                aside + static_cast<size_t>(y - box.top) * stride + (left - box.left) * bytes,
                static_cast<size_t>(right - left) * bytes);
  }
  return QX_OK;
}

int32_t FfmpegMovieSource::loadIntoMemory() {
  if (memory_ != nullptr) return QX_OK;
  FILE* file = std::fopen(path_.c_str(), "rb");
  if (file == nullptr) return QX_ERR_FILE_NOT_FOUND;
  auto loaded = std::make_unique<MemoryFile>();
  int32_t status = QX_OK;
  struct stat facts {};
  if (fstat(fileno(file), &facts) != 0 || facts.st_size > kMaxMemoryBytes) {
    status = QX_ERR_MEMORY;
  } else {
    loaded->bytes.resize(static_cast<size_t>(facts.st_size));
    if (std::fread(loaded->bytes.data(), 1, loaded->bytes.size(), file) != loaded->bytes.size()) {
      status = QX_ERR_INVALID_MOVIE;
    }
  }
  std::fclose(file);
  if (status != QX_OK) return status;
  memory_ = std::move(loaded);
  status = openInput();
  if (status == QX_OK && stream_ >= 0 && !seekTo(0)) status = QX_ERR_INVALID_MOVIE;
  if (status != QX_OK) {
    // Back to the file on the disk.
    memory_.reset();
    if (openInput() != QX_OK || (stream_ >= 0 && !seekTo(0))) return QX_ERR_INVALID_MOVIE;
  }
  return status;
}

class FfmpegMovieBackend : public MovieBackend {
 public:
  int32_t open(const std::string& path, std::unique_ptr<MovieSource>* source) override {
    auto movie = std::make_unique<FfmpegMovieSource>();
    int32_t status = movie->open(path);
    if (status == QX_OK) *source = std::move(movie);
    return status;
  }
};

}  // namespace

MovieBackend& ffmpegMovieBackend() {
  static FfmpegMovieBackend backend;
  return backend;
}

}  // namespace quorix::platform
