#include "tests/support/movie_encoder.h"

#include "tests/support/av_output.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace quorix::testing {
namespace {

// The movie's encoder and muxer, with the frames and the scaler that feed it.
struct Encoding : AvOutput {
  AVFrame* rgb = nullptr;
  AVFrame* frame = nullptr;
  SwsContext* scaler = nullptr;

  ~Encoding() {
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_frame_free(&rgb);
  }
};

}  // namespace

std::function<uint32_t(int, int, int)> solidFrames(std::vector<uint32_t> colors) {
  return [colors](int frame, int, int) { return colors[static_cast<size_t>(frame) % colors.size()]; };
}

bool encodeMovieFile(const std::string& path, const MovieSpec& spec, std::string* error) {
  auto failed = [&](const std::string& what, int code) {
    if (error != nullptr) *error = what + ": " + avErrorText(code);
    return false;
  };
  av_log_set_level(AV_LOG_QUIET);
  const bool animation = spec.codec == MovieCodec::Animation;
  Encoding e;
  int result = avformat_alloc_output_context2(&e.output, nullptr, animation ? "mov" : "mp4", path.c_str());
  if (result < 0) return failed("output", result);
  const AVCodec* encoder = avcodec_find_encoder(animation ? AV_CODEC_ID_QTRLE : AV_CODEC_ID_MPEG4);
  if (encoder == nullptr) return failed("encoder", AVERROR_ENCODER_NOT_FOUND);
  e.stream = avformat_new_stream(e.output, nullptr);
  e.codec = avcodec_alloc_context3(encoder);
  e.rgb = av_frame_alloc();
  e.frame = av_frame_alloc();
  e.packet = av_packet_alloc();
  if (e.stream == nullptr || e.codec == nullptr || e.rgb == nullptr || e.frame == nullptr || e.packet == nullptr) {
    return failed("allocation", AVERROR(ENOMEM));
  }
  e.codec->width = spec.width;
  e.codec->height = spec.height;
  e.codec->time_base = AVRational{1, spec.framesPerSecond};
  e.codec->framerate = AVRational{spec.framesPerSecond, 1};
  e.codec->pix_fmt = animation ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_YUV420P;
  if (!animation) {
    e.codec->gop_size = 4;
    e.codec->max_b_frames = 1;
    e.codec->flags |= AV_CODEC_FLAG_QSCALE;
    e.codec->global_quality = FF_QP2LAMBDA * 2;
  }
  if (e.output->oformat->flags & AVFMT_GLOBALHEADER) e.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if ((result = avcodec_open2(e.codec, encoder, nullptr)) < 0) return failed("open encoder", result);
  if ((result = avcodec_parameters_from_context(e.stream->codecpar, e.codec)) < 0) return failed("parameters", result);
  e.stream->time_base = e.codec->time_base;
  if ((result = avio_open(&e.output->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) return failed("open", result);
  if ((result = avformat_write_header(e.output, nullptr)) < 0) return failed("header", result);

  e.rgb->format = AV_PIX_FMT_RGB24;
  e.rgb->width = spec.width;
  e.rgb->height = spec.height;
  e.frame->format = e.codec->pix_fmt;
  e.frame->width = spec.width;
  e.frame->height = spec.height;
  if ((result = av_frame_get_buffer(e.rgb, 0)) < 0 || (result = av_frame_get_buffer(e.frame, 0)) < 0) {
    return failed("frame", result);
  }
  e.scaler = sws_getContext(spec.width, spec.height, AV_PIX_FMT_RGB24, spec.width, spec.height,
                            e.codec->pix_fmt, SWS_POINT, nullptr, nullptr, nullptr);
  if (e.scaler == nullptr) return failed("scaler", AVERROR(EINVAL));
  for (int i = 0; i < spec.frames; ++i) {
    if ((result = av_frame_make_writable(e.rgb)) < 0 || (result = av_frame_make_writable(e.frame)) < 0) {
      return failed("frame", result);
    }
    for (int y = 0; y < spec.height; ++y) {
      uint8_t* row = e.rgb->data[0] + static_cast<ptrdiff_t>(y) * e.rgb->linesize[0];
      for (int x = 0; x < spec.width; ++x) {
        uint32_t c = spec.pixel(i, x, y);
        row[3 * x] = static_cast<uint8_t>(c >> 16);
        row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
        row[3 * x + 2] = static_cast<uint8_t>(c);
      }
    }
    AVFrame* input = e.rgb;
    if (!animation) {
      sws_scale(e.scaler, e.rgb->data, e.rgb->linesize, 0, spec.height, e.frame->data, e.frame->linesize);
      input = e.frame;
    }
    input->pts = i;
    // Each packet lasts one frame, so that the last frame shows as long as the others.
    if ((result = e.encode(input, 1)) < 0) return failed("encode", result);
  }
  if ((result = e.encode(nullptr, 1)) < 0) return failed("flush", result);
  if ((result = av_write_trailer(e.output)) < 0) return failed("trailer", result);
  return true;
}

}  // namespace quorix::testing
