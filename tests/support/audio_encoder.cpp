#include "tests/support/audio_encoder.h"

#include <algorithm>

#include "tests/support/av_output.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace quorix::testing {
namespace {

// Everything one encoding needs, freed together.
struct Encoding : AvOutput {
  SwrContext* resampler = nullptr;
  AVAudioFifo* fifo = nullptr;
  AVFrame* frame = nullptr;
  int64_t pts = 0;

  ~Encoding() {
    av_frame_free(&frame);
    if (fifo != nullptr) av_audio_fifo_free(fifo);
    swr_free(&resampler);
  }

  // Encodes whole frames from the FIFO; with `all` also the last partial one.
  int drainFifo(bool all) {
    const int size = codec->frame_size > 0 ? codec->frame_size : 1024;
    while (av_audio_fifo_size(fifo) >= size || (all && av_audio_fifo_size(fifo) > 0)) {
      const int count = std::min(size, av_audio_fifo_size(fifo));
      av_frame_unref(frame);
      frame->nb_samples = count;
      frame->format = codec->sample_fmt;
      frame->sample_rate = codec->sample_rate;
      int result = av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout);
      if (result >= 0) result = av_frame_get_buffer(frame, 0);
      if (result >= 0 && av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->data), count) != count) {
        result = AVERROR(EIO);
      }
      if (result < 0) return result;
      frame->pts = pts;
      pts += count;
      if ((result = encode(frame)) < 0) return result;
    }
    return 0;
  }
};

int chooseRate(const AVCodec* codec, int wanted) {
  if (codec->supported_samplerates == nullptr) return wanted;
  int best = codec->supported_samplerates[0];
  for (const int* rate = codec->supported_samplerates; *rate != 0; ++rate) {
    if (*rate == wanted) return wanted;
    if (*rate > best) best = *rate;
  }
  return best;
}

}  // namespace

const std::vector<AudioFormatCase>& audioFormatCases() {
  static const std::vector<AudioFormatCase> cases = {
      {"wav", ".wav", "wav", "pcm_s16le"},     {"flac", ".flac", "flac", "flac"},
      {"mp3", ".mp3", "mp3", "libmp3lame"},    {"vorbis", ".ogg", "ogg", "libvorbis"},
      {"opus", ".opus", "ogg", "libopus"},     {"aac", ".m4a", "mp4", "aac"},
  };
  return cases;
}

bool encodeAudioFile(const std::string& path, const AudioFormatCase& format,
                     const std::vector<int16_t>& samples, int sampleRate, int channels,
                     std::string* error) {
  auto failed = [&](const std::string& what, int code) {
    if (error != nullptr) *error = what + ": " + avErrorText(code);
    return false;
  };
  av_log_set_level(AV_LOG_QUIET);
  Encoding e;
  int result = avformat_alloc_output_context2(&e.output, nullptr, format.muxer, path.c_str());
  if (result < 0) return failed("output", result);
  const AVCodec* encoder = avcodec_find_encoder_by_name(format.encoder);
  if (encoder == nullptr) return failed(std::string("no encoder ") + format.encoder, AVERROR_ENCODER_NOT_FOUND);
  e.stream = avformat_new_stream(e.output, nullptr);
  e.codec = avcodec_alloc_context3(encoder);
  e.frame = av_frame_alloc();
  e.packet = av_packet_alloc();
  if (e.stream == nullptr || e.codec == nullptr || e.frame == nullptr || e.packet == nullptr) {
    return failed("allocation", AVERROR(ENOMEM));
  }
  e.codec->sample_rate = chooseRate(encoder, sampleRate);
  av_channel_layout_default(&e.codec->ch_layout, channels);
  e.codec->sample_fmt = encoder->sample_fmts != nullptr ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  e.codec->bit_rate = 128000;
  e.codec->time_base = AVRational{1, e.codec->sample_rate};
  if (e.output->oformat->flags & AVFMT_GLOBALHEADER) e.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if ((result = avcodec_open2(e.codec, encoder, nullptr)) < 0) return failed("encoder", result);
  if ((result = avcodec_parameters_from_context(e.stream->codecpar, e.codec)) < 0) {
    return failed("parameters", result);
  }
  e.stream->time_base = e.codec->time_base;
  if ((result = avio_open(&e.output->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) return failed("open", result);
  if ((result = avformat_write_header(e.output, nullptr)) < 0) return failed("header", result);

  AVChannelLayout inLayout = {};
  av_channel_layout_default(&inLayout, channels);
  result = swr_alloc_set_opts2(&e.resampler, &e.codec->ch_layout, e.codec->sample_fmt,
                               e.codec->sample_rate, &inLayout, AV_SAMPLE_FMT_S16, sampleRate, 0,
                               nullptr);
  if (result >= 0) result = swr_init(e.resampler);
  if (result < 0) return failed("resampler", result);
  e.fifo = av_audio_fifo_alloc(e.codec->sample_fmt, channels, 4096);
  if (e.fifo == nullptr) return failed("fifo", AVERROR(ENOMEM));

  // Convert in slices of one second, then the resampler's tail.
  const int frames = static_cast<int>(samples.size() / channels);
  for (int at = 0;; at += sampleRate) {
    const bool last = at >= frames;
    const int count = last ? 0 : std::min(sampleRate, frames - at);
    const uint8_t* in = last ? nullptr : reinterpret_cast<const uint8_t*>(samples.data() + at * channels);
    const int room = swr_get_out_samples(e.resampler, count);
    uint8_t** converted = nullptr;
    if ((result = av_samples_alloc_array_and_samples(&converted, nullptr, channels, std::max(room, 1),
                                                     e.codec->sample_fmt, 0)) < 0) {
      return failed("buffer", result);
    }
    const int made = swr_convert(e.resampler, converted, room, last ? nullptr : &in, count);
    if (made > 0) av_audio_fifo_write(e.fifo, reinterpret_cast<void**>(converted), made);
    av_freep(&converted[0]);
    av_freep(&converted);
    if (made < 0) return failed("convert", made);
    if ((result = e.drainFifo(last)) < 0) return failed("encode", result);
    if (last) break;
  }
  if ((result = e.encode(nullptr)) < 0) return failed("flush", result);
  if ((result = av_write_trailer(e.output)) < 0) return failed("trailer", result);
  return true;
}

}  // namespace quorix::testing
