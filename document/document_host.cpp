#include "document/document_host.h"

namespace quorix::document {
namespace {

DocumentHost* gHost = nullptr;

}  // namespace

DocumentHost& documentHost() {
  static DocumentHost none;
  return gHost != nullptr ? *gHost : none;
}

void setDocumentHost(DocumentHost* host) { gHost = host; }

}  // namespace quorix::document
