// ChunkFile: the container of a ".QRX" document, a flat sequence of typed, numbered chunks.
//
// On disk every chunk is a 16-byte header (type, id, used, allocated; big-endian) followed by
// its data area of allocated - 16 bytes, of which the first used - 16 are the chunk's data and
// the rest slack. Chunk 0 is the header chunk: type "BLOB", id 0, 68 bytes, holding a tag, the
// number of chunks and 44 reserved bytes. The next chunk starts where the previous one's
// allocation ends; bytes past the last chunk are ignored.
//
// While a file is open its directory (one ChunkEntry per chunk, in file order) is kept in
// memory. A chunk that grows moves to the end of the file and leaves a freed chunk (type
// 0xFFFFFFFF) behind; closing a writable file with commit compacts it again.
//
// Every operation returns 0 or a negative status code of plugin_sdk/status_codes.h unless
// its comment says otherwise. A file opened for reading is never written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "common/fourcc.h"
#include "document/chunk_stream.h"
#include "plugin_sdk/quorix_types.h"

namespace quorix::document {

inline constexpr FourCC kFreedChunk = 0xFFFFFFFF;
inline constexpr FourCC kHeaderChunkType = fourcc("BLOB"); // type of chunk 0
inline constexpr FourCC kHeaderChunkTag = fourcc("blob");  // tag of a new file's header chunk
inline constexpr uint32_t kChunkHeaderSize = 16;
inline constexpr uint32_t kHeaderChunkSize = 68;           // chunk 0, header included
inline constexpr int32_t kMaxChunkCount = 10000;
inline constexpr uint32_t kCompactionBlockSize = 102400;   // bytes copied at a time

// One chunk of the directory.
struct ChunkEntry {
  FourCC type;        // kFreedChunk for a freed chunk
  uint32_t id;        // number of the chunk within its type
  uint32_t used;      // bytes in use, header included; 0 for a freed chunk
  uint32_t allocated; // bytes reserved, header included
  uint32_t offset;    // file offset of the chunk header
};
static_assert(sizeof(ChunkEntry) == 20);

// Told how compaction proceeds when a file is closed.
class ProgressReporter {
 public:
  virtual ~ProgressReporter() = default;
  virtual void begin(const std::string& title, int range) = 0;
  virtual void advance() = 0;
  virtual void end() = 0;
};

class ChunkFile {
 public:
  ChunkFile();
  ~ChunkFile();  // closes without committing
  ChunkFile(const ChunkFile&) = delete;
  ChunkFile& operator=(const ChunkFile&) = delete;

  // Opens `path`: read only ("rb") when `writable` is clear; else "rb+" falling back to
  // creating it ("wb+") when `mayCreate` is set, or created empty when it is clear. A file whose
  // read-only attribute is set is not opened for writing (-2). An empty file opened for writing
  // gets a new header chunk; any other file has its directory read.
  int32_t open(const std::string& path, bool mayCreate, bool writable);

  // The index of the first chunk of that type and id, or -5000.
  int32_t find(FourCC type, uint32_t id) const;
  // Appends a chunk of `dataSize` data bytes at the end of the file and writes its header and
  // the header chunk: its index, or -5002 (directory full) / -5004 (header not written).
  int32_t addChunk(FourCC type, uint32_t id, uint32_t dataSize);
  // Marks a chunk freed on disk and in the directory: -5016 when its header cannot be written,
  // -5017 when there is no such chunk.
  int32_t freeChunk(int32_t index);
  int32_t freeChunk(FourCC type, uint32_t id);

  // A read stream holding a copy of the chunk's data; none when the chunk is missing, its data
  // lies outside the file, memory runs out or it cannot be read.
  std::optional<ChunkStream> openForRead(FourCC type, uint32_t id);
  // A write stream of `dataSize` zero bytes for the chunk. A chunk that grows is freed and
  // appended anew at the end of the file; one that shrinks keeps its place with a smaller
  // `used`; a missing one is appended. None on failure.
  std::optional<ChunkStream> openForWrite(FourCC type, uint32_t id, uint32_t dataSize);
  // Ends a stream: a write stream's bytes go to the chunk's data area and the file is flushed.
  // True on success (a read stream always releases).
  bool release(ChunkStream stream);

  // openForWrite followed by writing `bytes` (-5013 when that fails).
  int32_t writeChunk(FourCC type, uint32_t id, const void* bytes, uint32_t size);
  // The first `size` bytes of the chunk's data (-5014 when missing, shorter or unreadable).
  int32_t readChunkPrefix(FourCC type, uint32_t id, void* buffer, uint32_t size);
  // The chunk's whole data in a new handle, or null with *error = -5015.
  MemHandle readChunkWhole(FourCC type, uint32_t id, int32_t* error = nullptr);

  // used - 16 of a chunk (0 for a freed or invalid one).
  uint32_t dataSize(int32_t index) const;

  // The consistency check of the directory against itself and the disk: the first failure
  // (-5100 .. -5107) or 0.
  int32_t verify();

  // Closes the file. With `commit` a writable file without I/O errors is compacted, its header
  // chunk rewritten, verified and flushed; failures are shown as "Error %d : %s" with message
  // 1017 and returned. The directory is freed in every case.
  int32_t close(bool commit, ProgressReporter* progress = nullptr);

  bool isOpen() const { return file_ != nullptr; }
  bool readOnly() const { return readOnly_; }
  int32_t lastError() const { return lastError_; }
  const std::string& path() const { return path_; }
  uint64_t fileSize() const { return fileSize_; }
  int32_t chunkCount() const;
  // Entry `index` of the directory (0 <= index < chunkCount()).
  const ChunkEntry& entry(int32_t index) const;
  // The 52 data bytes of the header chunk as held in memory.
  const uint8_t* headerChunkData() const { return headerChunk_ + kChunkHeaderSize; }

 private:
  int32_t readDirectory();
  int32_t writeHeaderChunk();
  int32_t writeChunkHeader(const ChunkEntry& entry);
  // Makes room for a chunk of `dataSize` data bytes (openForWrite's rules): its index or an
  // error.
  int32_t placeChunk(FourCC type, uint32_t id, uint32_t dataSize);
  int32_t compact(ProgressReporter* progress);
  bool readAt(uint64_t offset, void* buffer, size_t size);
  bool writeAt(uint64_t offset, const void* buffer, size_t size);
  ChunkEntry* entries() const;
  bool dataInFile(const ChunkEntry& entry) const;
  void setChunkCount(int32_t count);
  void freeDirectory();

  std::string path_;
  FILE* file_ = nullptr;
  bool readOnly_ = true;
  int32_t lastError_ = 0;
  MemHandle directory_ = nullptr;
  uint64_t fileSize_ = 0;
  // The header chunk in memory: a 16-byte placeholder ("XXXX"), then the 52 data bytes.
  uint8_t headerChunk_[kHeaderChunkSize];
};

// A chunk file allocated through the engine's memory (documents hold them by address), or null
// with the memory error set. closeChunkFile closes (with or without commit) and frees it.
ChunkFile* newChunkFile();
int32_t closeChunkFile(ChunkFile* file, bool commit);

}  // namespace quorix::document
