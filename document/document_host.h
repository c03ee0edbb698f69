// DocumentHost: what the document layer needs to know from, and tell, the engine above it.
//
// The engine installs its own host while it exists; without one, the engine counts as not
// running and nothing is told. Tests install fakes.
#pragma once

#include <string>

namespace quorix::document {

class DocumentHost {
 public:
  virtual ~DocumentHost() = default;
  // True while the engine runs: alerts about documents are held back and interactive closes
  // are refused.
  virtual bool engineRunning() { return false; }
  // A Synth was read from `path`: the engine keeps it in its preferences as the last visual.
  virtual void synthOpened(const std::string& path) { (void)path; }
  // Synth `synth` is about to be freed: the engine drops its decoded pictures, movies and 3D
  // data.
  virtual void releaseSynthMedia(int synth) { (void)synth; }
  // Slot `synth` was removed from the Synth list; later Synths moved down by one.
  virtual void synthRemoved(int synth) { (void)synth; }
  // The visual library closed the current visual: the engine forgets its Synth.
  virtual void currentVisualClosed() {}
};

// The installed host (a default one that does nothing when none is installed).
DocumentHost& documentHost();
// Installs a host; null restores the default. The host must outlive its use.
void setDocumentHost(DocumentHost* host);

class ScopedDocumentHost {
 public:
  explicit ScopedDocumentHost(DocumentHost& host) { setDocumentHost(&host); }
  ~ScopedDocumentHost() { setDocumentHost(nullptr); }
  ScopedDocumentHost(const ScopedDocumentHost&) = delete;
  ScopedDocumentHost& operator=(const ScopedDocumentHost&) = delete;
};

}  // namespace quorix::document
