#include "media/media_host.h"

namespace quorix::media {
namespace {

MediaHost* gHost = nullptr;

}  // namespace

MediaHost& mediaHost() {
  static MediaHost none;
  return gHost != nullptr ? *gHost : none;
}

void setMediaHost(MediaHost* host) { gHost = host; }

}  // namespace quorix::media
