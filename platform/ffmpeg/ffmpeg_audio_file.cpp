// Audio files through FFmpeg: demux, decode, then resample and mix to 44100 Hz stereo s16.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/audio_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace quorix::platform {
namespace {

// Packets that fail to decode are skipped, as players do; this many in a row mean the file
// is damaged beyond use.
constexpr int kFailuresInARow = 10;

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// The name of the format the first bytes of the file look like (whatever its extension
// says), or null when they look like no format FFmpeg knows.
const char* recognisedFormat(const std::string& path) {
  std::vector<uint8_t> head(4096 + AVPROBE_PADDING_SIZE, 0);
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return nullptr;
  const size_t size = std::fread(head.data(), 1, 4096, file);
  std::fclose(file);
  AVProbeData probe = {};
  probe.filename = "";
  probe.buf = head.data();
  probe.buf_size = static_cast<int>(size);
  int score = 0;
  const AVInputFormat* format = av_probe_input_format3(&probe, 1, &score);
  if (format == nullptr || score <= AVPROBE_SCORE_MAX / 4) return nullptr;
  return format->long_name != nullptr ? format->long_name : format->name;
}

// FFmpeg writes its own warnings to stderr; the engine reports its errors itself.
void quietFfmpegLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

class FfmpegAudioStream : public AudioStream {
 public:
  ~FfmpegAudioStream() override;
  bool open(const std::string& path, std::string& error);
  size_t read(int16_t* samples, size_t frames) override;
  const std::string& error() const override { return error_; }

 private:
  // Decodes until converted frames are waiting; false at the end of the stream or on failure.
  bool refill();
  // Counts a packet that did not decode; false (and failed) when too many came in a row.
  bool decodeFailed(int code);
  // Resamples a decoded frame onto the waiting samples; false (and failed) on an error.
  bool convert(const AVFrame* frame);
  bool configureResampler(const AVFrame* frame);
  // Appends what the resampler still holds.
  void drainResampler();
  void fail(const std::string& why);
  // True when the file says it holds some audio (a duration above 0).
  bool declaresAudio() const;
  size_t waitingFrames() const { return (pending_.size() - pendingRead_) / kAudioChannels; }

  std::string quoted_;  // the file's path in quotes, for messages
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  SwrContext* resampler_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int stream_ = -1;
  // The input the resampler is set up for.
  int inRate_ = 0;
  int inFormat_ = AV_SAMPLE_FMT_NONE;
  AVChannelLayout inLayout_ = {};
  std::vector<int16_t> pending_;  // converted interleaved samples not yet read
  size_t pendingRead_ = 0;
  size_t delivered_ = 0;          // frames read so far
  bool inputDone_ = false;        // the decoder has been told the packets ended
  bool finished_ = false;
  bool decodedAny_ = false;
  int failuresInARow_ = 0;
  std::string lastFailure_;
  std::string error_;
};

FfmpegAudioStream::~FfmpegAudioStream() {
  swr_free(&resampler_);
  av_channel_layout_uninit(&inLayout_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  avformat_close_input(&format_);
}

bool FfmpegAudioStream::open(const std::string& path, std::string& error) {
  quoted_ = "'" + path + "'";
  struct stat facts {};
  if (stat(path.c_str(), &facts) != 0) {
    error = "cannot open " + quoted_ + ": " +
            (errno == ENOENT ? std::string("no such file") : std::strerror(errno));
    return false;
  }
  if (S_ISDIR(facts.st_mode)) {
    error = quoted_ + " is a folder, not an audio file";
    return false;
  }
  if (!S_ISREG(facts.st_mode)) {
    error = quoted_ + " is not a regular file";
    return false;
  }
  if (facts.st_size == 0) {
    error = quoted_ + " is empty, not an audio file";
    return false;
  }

  quietFfmpegLog();
  // Only the local file: no network protocols, and no reading of a name such as "http:x"
  // as a protocol.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  int result = avformat_open_input(&format_, ("file:" + path).c_str(), nullptr, &options);
  av_dict_free(&options);
  if (result < 0) {
    if (result == AVERROR(EACCES) || result == AVERROR(ENOMEM)) {
      error = "cannot open " + quoted_ + ": " + avError(result);
    } else if (const char* format = recognisedFormat(path)) {
      error = quoted_ + " is damaged: its " + format + " data cannot be read (" +
              avError(result) + ")";
    } else {
      error = quoted_ + " is not an audio file (its format is not recognised)";
    }
    return false;
  }
  if ((result = avformat_find_stream_info(format_, nullptr)) < 0) {
    error = quoted_ + " is damaged: " + avError(result);
    return false;
  }
  stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (stream_ < 0) {
    error = quoted_ + " is not an audio file (it has no audio stream)";
    return false;
  }
  const AVCodecParameters* parameters = format_->streams[stream_]->codecpar;
  const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
  if (decoder == nullptr) {
    error = "cannot decode " + quoted_ + ": no decoder for its '" +
            avcodec_get_name(parameters->codec_id) + "' audio";
    return false;
  }
  codec_ = avcodec_alloc_context3(decoder);
  packet_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  if (codec_ == nullptr || packet_ == nullptr || frame_ == nullptr) {
    error = "cannot decode " + quoted_ + ": out of memory";
    return false;
  }
  if ((result = avcodec_parameters_to_context(codec_, parameters)) < 0 ||
      (result = avcodec_open2(codec_, decoder, nullptr)) < 0) {
    error = "cannot decode " + quoted_ + ": " + avError(result);
    return false;
  }
  return true;
}

size_t FfmpegAudioStream::read(int16_t* samples, size_t frames) {
  size_t written = 0;
  while (written < frames) {
    if (waitingFrames() == 0) {
      pending_.clear();
      pendingRead_ = 0;
      if (!refill()) break;
      continue;
    }
    const size_t count = std::min(waitingFrames(), frames - written);
    std::memcpy(samples + written * kAudioChannels, pending_.data() + pendingRead_,
                count * kAudioChannels * sizeof(int16_t));
    pendingRead_ += count * kAudioChannels;
    written += count;
  }
  delivered_ += written;
  return written;
}

bool FfmpegAudioStream::refill() {
  while (!finished_) {
    const int received = avcodec_receive_frame(codec_, frame_);
    if (received == 0) {
      failuresInARow_ = 0;
      decodedAny_ = true;
      const bool converted = convert(frame_);
      av_frame_unref(frame_);
      if (!converted) return false;
      if (waitingFrames() > 0) return true;
      continue;
    }
    if (received == AVERROR_EOF || (received == AVERROR(EAGAIN) && inputDone_)) {
      drainResampler();
      finished_ = true;
      if (!decodedAny_ && !lastFailure_.empty()) {
        fail(quoted_ + " is damaged: " + lastFailure_);
      } else if (!decodedAny_ && declaresAudio()) {
        fail(quoted_ + " is damaged: none of its audio can be decoded");
      }
      return waitingFrames() > 0;
    }
    if (received != AVERROR(EAGAIN)) {
      if (!decodeFailed(received)) return false;
      continue;
    }

    // The decoder wants the next packet of our stream.
    const int demuxed = av_read_frame(format_, packet_);
    if (demuxed == AVERROR_EOF) {
      avcodec_send_packet(codec_, nullptr);
      inputDone_ = true;
      continue;
    }
    if (demuxed < 0) {
      fail(quoted_ + " is damaged: " + avError(demuxed));
      return false;
    }
    if (packet_->stream_index == stream_) {
      const int sent = avcodec_send_packet(codec_, packet_);
      if (sent < 0 && sent != AVERROR(EAGAIN) && !decodeFailed(sent)) {
        av_packet_unref(packet_);
        return false;
      }
    }
    av_packet_unref(packet_);
  }
  return false;
}

bool FfmpegAudioStream::decodeFailed(int code) {
  lastFailure_ = avError(code);
  if (++failuresInARow_ < kFailuresInARow) return true;
  fail(quoted_ + " is damaged: " + lastFailure_);
  return false;
}

bool FfmpegAudioStream::configureResampler(const AVFrame* frame) {
  AVChannelLayout layout = {};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels == 0) {
    av_channel_layout_default(&layout, std::max(frame->ch_layout.nb_channels, 1));
  } else if (av_channel_layout_copy(&layout, &frame->ch_layout) < 0) {
    fail("cannot convert the audio of " + quoted_ + ": out of memory");
    return false;
  }
  if (resampler_ != nullptr && inRate_ == frame->sample_rate && inFormat_ == frame->format &&
      av_channel_layout_compare(&inLayout_, &layout) == 0) {
    av_channel_layout_uninit(&layout);
    return true;
  }
  // The input changed (or this is the first frame): finish the old conversion first.
  drainResampler();
  swr_free(&resampler_);
  av_channel_layout_uninit(&inLayout_);
  inLayout_ = layout;
  inRate_ = frame->sample_rate;
  inFormat_ = frame->format;

  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  int result = swr_alloc_set_opts2(&resampler_, &stereo, AV_SAMPLE_FMT_S16, kAudioSampleRate,
                                   &inLayout_, static_cast<AVSampleFormat>(inFormat_), inRate_,
                                   0, nullptr);
  if (result >= 0 && inLayout_.nb_channels == 1) {
    // A mono source plays at full level on both sides (the default lowers it by 3 dB).
    const double bothSides[2] = {1.0, 1.0};
    result = swr_set_matrix(resampler_, bothSides, 1);
  }
  if (result >= 0) result = swr_init(resampler_);
  if (result < 0) {
    swr_free(&resampler_);
    fail("cannot convert the audio of " + quoted_ + ": " + avError(result));
    return false;
  }
  return true;
}

bool FfmpegAudioStream::convert(const AVFrame* frame) {
  if (frame->nb_samples <= 0 || frame->sample_rate <= 0) return true;
  if (!configureResampler(frame)) return false;
  const int room = swr_get_out_samples(resampler_, frame->nb_samples);
  if (room < 0) {
    fail("cannot convert the audio of " + quoted_ + ": " + avError(room));
    return false;
  }
  const size_t start = pending_.size();
  pending_.resize(start + static_cast<size_t>(room) * kAudioChannels);
  uint8_t* out = reinterpret_cast<uint8_t*>(pending_.data() + start);
  const int converted = swr_convert(resampler_, &out, room,
                                    const_cast<const uint8_t**>(frame->extended_data),
                                    frame->nb_samples);
  if (converted < 0) {
    pending_.resize(start);
    fail("cannot convert the audio of " + quoted_ + ": " + avError(converted));
    return false;
  }
  pending_.resize(start + static_cast<size_t>(converted) * kAudioChannels);
  return true;
}

void FfmpegAudioStream::drainResampler() {
  if (resampler_ == nullptr) return;
  const int room = swr_get_out_samples(resampler_, 0);
  if (room <= 0) return;
  const size_t start = pending_.size();
  pending_.resize(start + static_cast<size_t>(room) * kAudioChannels);
  uint8_t* out = reinterpret_cast<uint8_t*>(pending_.data() + start);
  const int converted = swr_convert(resampler_, &out, room, nullptr, 0);
  pending_.resize(start + static_cast<size_t>(std::max(converted, 0)) * kAudioChannels);
}

bool FfmpegAudioStream::declaresAudio() const {
  const AVStream* stream = format_->streams[stream_];
  return stream->duration > 0 || stream->nb_frames > 0 || format_->duration > 0;
}

void FfmpegAudioStream::fail(const std::string& why) {
  finished_ = true;
  if (error_.empty()) {
    char at[48];
    std::snprintf(at, sizeof at, " (after %.1f s)",
                  static_cast<double>(delivered_ + waitingFrames()) / kAudioSampleRate);
    error_ = why + (delivered_ > 0 ? at : "");
  }
}

}  // namespace

std::unique_ptr<AudioStream> openAudioFile(const std::string& path, std::string& error) {
  auto stream = std::make_unique<FfmpegAudioStream>();
  if (!stream->open(path, error)) return nullptr;
  return stream;
}

}  // namespace quorix::platform
