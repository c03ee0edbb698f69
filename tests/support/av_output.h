// What the test encoders share: an encoder writing packets into a file through a muxer, freed
// together, and FFmpeg's error codes as text.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace quorix::testing {

inline std::string avErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct AvOutput {
  AVFormatContext* output = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  AVPacket* packet = nullptr;

  AvOutput() = default;
  AvOutput(const AvOutput&) = delete;
  AvOutput& operator=(const AvOutput&) = delete;
  ~AvOutput() {
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    if (output != nullptr) {
      if (output->pb != nullptr) avio_closep(&output->pb);
      avformat_free_context(output);
    }
  }

  // Sends one frame (null flushes) and writes every packet that comes out. A `duration` above
  // 0 is given to each packet, in codec ticks.
  int encode(AVFrame* input, int64_t duration = 0) {
    int result = avcodec_send_frame(codec, input);
    if (result < 0) return result;
    while ((result = avcodec_receive_packet(codec, packet)) >= 0) {
      if (duration > 0) packet->duration = duration;
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      if ((result = av_interleaved_write_frame(output, packet)) < 0) return result;
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF ? 0 : result;
  }
};

}  // namespace quorix::testing
