#include "document/chunk_file.h"

#include <cstring>
#include <new>
#include <utility>

#include "common/byte_order.h"
#include "common/memory.h"
#include "document/file_object.h"
#include "plugin_sdk/status_codes.h"
#include "ui/alerts.h"
#include "ui/string_table.h"

namespace quorix::document {
namespace {

constexpr FourCC kPlaceholder = fourcc("XXXX");
constexpr uint32_t kHeaderChunkDataSize = kHeaderChunkSize - kChunkHeaderSize;  // 52
constexpr size_t kChunkCountAt = 4;  // in the header chunk's data

void storeEntry(uint8_t* bytes, const ChunkEntry& entry) {
  storeBE32(bytes, entry.type);
  storeBE32(bytes + 4, entry.id);
  storeBE32(bytes + 8, entry.used);
  storeBE32(bytes + 12, entry.allocated);
}

ChunkEntry loadEntry(const uint8_t* bytes, uint32_t offset) {
  return {loadBE32(bytes), loadBE32(bytes + 4), loadBE32(bytes + 8), loadBE32(bytes + 12), offset};
}

bool sameChunk(const ChunkEntry& a, const ChunkEntry& b) {
  return a.type == b.type && a.id == b.id && a.used == b.used && a.allocated == b.allocated &&
         a.offset == b.offset;
}

}  // namespace

ChunkFile::ChunkFile() {
  std::memset(headerChunk_, 0, sizeof headerChunk_);
  storeBE32(headerChunk_, kPlaceholder);
  storeBE32(headerChunk_ + kChunkHeaderSize, kHeaderChunkTag);
}

ChunkFile::~ChunkFile() { close(false); }

ChunkEntry* ChunkFile::entries() const {
  return directory_ != nullptr ? static_cast<ChunkEntry*>(directory_->data) : nullptr;
}

int32_t ChunkFile::chunkCount() const {
  return directory_ != nullptr ? static_cast<int32_t>(loadBE32(headerChunk_ + kChunkHeaderSize +
                                                               kChunkCountAt))
                               : 0;
}

void ChunkFile::setChunkCount(int32_t count) {
  storeBE32(headerChunk_ + kChunkHeaderSize + kChunkCountAt, static_cast<uint32_t>(count));
}

const ChunkEntry& ChunkFile::entry(int32_t index) const { return entries()[index]; }

bool ChunkFile::readAt(uint64_t offset, void* buffer, size_t size) {
  if (file_ == nullptr) return false;
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 ||
      std::fread(buffer, 1, size, file_) != size) {
    lastError_ = QX_ERR_SHORT_READ;
    std::clearerr(file_);
    return false;
  }
  return true;
}

// Every write is flushed at once, so that a full disk fails the operation that wrote.
bool ChunkFile::writeAt(uint64_t offset, const void* buffer, size_t size) {
  if (file_ == nullptr || readOnly_) return false;
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 ||
      std::fwrite(buffer, 1, size, file_) != size || std::fflush(file_) != 0) {
    lastError_ = QX_ERR_SHORT_WRITE;
    std::clearerr(file_);
    return false;
  }
  if (offset + size > fileSize_) fileSize_ = offset + size;
  return true;
}

bool ChunkFile::dataInFile(const ChunkEntry& entry) const {
  return entry.type != kFreedChunk && entry.used >= kChunkHeaderSize &&
         uint64_t{entry.offset} + entry.used <= fileSize_;
}

int32_t ChunkFile::open(const std::string& path, bool mayCreate, bool writable) {
  if (path.empty()) return QX_ERR_NO_PATH;
  close(false);
  path_ = path;
  lastError_ = 0;
  readOnly_ = !writable;
  if (int32_t opened = openFileStream(path, mayCreate, writable, &file_); opened != QX_OK) {
    return opened;
  }

  long end = -1;
  if (std::fseek(file_, 0, SEEK_END) == 0) end = std::ftell(file_);
  fileSize_ = end > 0 ? static_cast<uint64_t>(end) : 0;

  int32_t status;
  if (fileSize_ == 0 && writable) {
    directory_ = newHandle(sizeof(ChunkEntry));
    if (directory_ == nullptr) {
      status = QX_ERR_DIRECTORY_CREATE;
    } else {
      entries()[0] = {kHeaderChunkType, 0, kHeaderChunkSize, kHeaderChunkSize, 0};
      setChunkCount(1);
      status = writeHeaderChunk();
    }
  } else {
    status = readDirectory();
  }
  if (status != QX_OK) {
    std::fclose(file_);
    file_ = nullptr;
    freeDirectory();
  }
  return status;
}

int32_t ChunkFile::readDirectory() {
  uint8_t header[kChunkHeaderSize];
  if (!readAt(0, header, sizeof header)) return QX_ERR_READ_FIRST_HEADER;
  ChunkEntry first = loadEntry(header, 0);
  if (first.used != kHeaderChunkSize) return QX_ERR_HEADER_CHUNK_SIZE;
  if (first.type != kHeaderChunkType || first.id != 0) return QX_ERR_HEADER_CHUNK_TYPE;

  uint8_t data[kHeaderChunkDataSize];
  if (!readAt(kChunkHeaderSize, data, sizeof data)) return QX_ERR_HEADER_CHUNK_DATA;
  auto count = static_cast<int32_t>(loadBE32(data + kChunkCountAt));
  if (count <= 0) return QX_ERR_CHUNK_COUNT_ZERO;
  if (count > kMaxChunkCount) return QX_ERR_CHUNK_COUNT_HUGE;

  directory_ = newHandle(static_cast<uint32_t>(count) * sizeof(ChunkEntry));
  if (directory_ == nullptr) return QX_ERR_DIRECTORY_CREATE;
  std::memcpy(headerChunk_ + kChunkHeaderSize, data, sizeof data);
  ChunkEntry* list = entries();
  list[0] = first;
  for (int32_t i = 1; i < count; ++i) {
    uint64_t offset = uint64_t{list[i - 1].offset} + list[i - 1].allocated;
    if (offset > UINT32_MAX || !readAt(offset, header, sizeof header)) {
      return QX_ERR_READ_CHUNK_HEADER;
    }
    list[i] = loadEntry(header, static_cast<uint32_t>(offset));
  }
  return QX_OK;
}

int32_t ChunkFile::writeHeaderChunk() {
  uint8_t bytes[kHeaderChunkSize];
  storeEntry(bytes, entries()[0]);
  std::memcpy(bytes + kChunkHeaderSize, headerChunk_ + kChunkHeaderSize, kHeaderChunkDataSize);
  return writeAt(0, bytes, sizeof bytes) ? QX_OK : QX_ERR_HEADER_CHUNK_WRITE;
}

int32_t ChunkFile::writeChunkHeader(const ChunkEntry& entry) {
  uint8_t bytes[kChunkHeaderSize];
  storeEntry(bytes, entry);
  return writeAt(entry.offset, bytes, sizeof bytes) ? QX_OK : QX_ERR_CHUNK_HEADER_WRITE;
}

int32_t ChunkFile::find(FourCC type, uint32_t id) const {
  int32_t count = chunkCount();
  const ChunkEntry* list = entries();
  for (int32_t i = 0; i < count; ++i) {
    if (list[i].type == type && list[i].id == id) return i;
  }
  return QX_ERR_CHUNK_NOT_FOUND;
}

int32_t ChunkFile::addChunk(FourCC type, uint32_t id, uint32_t dataSize) {
  int32_t count = chunkCount();
  if (!isOpen() || readOnly_ || count <= 0) return QX_ERR_CHUNK_HEADER_WRITE;
  if (dataSize > UINT32_MAX - kChunkHeaderSize) return QX_ERR_CHUNK_HEADER_WRITE;
  const ChunkEntry& last = entries()[count - 1];
  uint64_t offset = uint64_t{last.offset} + last.allocated;
  if (offset > UINT32_MAX || count >= kMaxChunkCount) return QX_ERR_CHUNK_HEADER_WRITE;
  if (!setHandleSize(directory_, static_cast<uint32_t>(count + 1) * sizeof(ChunkEntry))) {
    return QX_ERR_DIRECTORY_GROW;
  }
  uint32_t used = dataSize + kChunkHeaderSize;
  entries()[count] = {type, id, used, used, static_cast<uint32_t>(offset)};
  setChunkCount(count + 1);
  int32_t status = writeChunkHeader(entries()[count]);
  if (status == QX_OK) status = writeHeaderChunk();
  if (status != QX_OK) {
    // The directory keeps its block; only the count of entries in use goes back.
    setChunkCount(count);
    directory_->size = static_cast<uint32_t>(count) * sizeof(ChunkEntry);
    return status;
  }
  return count;
}

int32_t ChunkFile::freeChunk(int32_t index) {
  if (index < 0 || index >= chunkCount()) return QX_ERR_FREE_NOT_FOUND;
  if (readOnly_) return QX_ERR_FREE_WRITE;
  ChunkEntry& chunk = entries()[index];
  chunk.type = kFreedChunk;
  chunk.used = 0;
  return writeChunkHeader(chunk) == QX_OK ? QX_OK : QX_ERR_FREE_WRITE;
}

int32_t ChunkFile::freeChunk(FourCC type, uint32_t id) {
  int32_t index = find(type, id);
  return index < 0 ? QX_ERR_FREE_NOT_FOUND : freeChunk(index);
}

std::optional<ChunkStream> ChunkFile::openForRead(FourCC type, uint32_t id) {
  int32_t index = find(type, id);
  if (index < 0 || !dataInFile(entries()[index])) return std::nullopt;
  const ChunkEntry chunk = entries()[index];
  uint32_t size = chunk.used - kChunkHeaderSize;
  auto* buffer = static_cast<uint8_t*>(engineAllocate(size));
  if (buffer == nullptr) return std::nullopt;
  ChunkStream stream(ChunkStream::Mode::Read, index, buffer, size);
  if (!readAt(uint64_t{chunk.offset} + kChunkHeaderSize, buffer, size)) return std::nullopt;
  return stream;
}

int32_t ChunkFile::placeChunk(FourCC type, uint32_t id, uint32_t dataSize) {
  uint32_t used = dataSize + kChunkHeaderSize;
  int32_t index = find(type, id);
  if (index < 0) return addChunk(type, id, dataSize);
  ChunkEntry& chunk = entries()[index];
  if (used > chunk.used) {
    // Grown chunks always move to the end, even where their slack would hold them.
    int32_t status = freeChunk(index);
    return status != QX_OK ? status : addChunk(type, id, dataSize);
  }
  if (used < chunk.used) {
    chunk.used = used;
    int32_t status = writeChunkHeader(chunk);
    if (status != QX_OK) return status;
  }
  return index;
}

std::optional<ChunkStream> ChunkFile::openForWrite(FourCC type, uint32_t id, uint32_t dataSize) {
  if (!isOpen() || readOnly_ || dataSize > UINT32_MAX - kChunkHeaderSize) return std::nullopt;
  // The buffer comes first, so that running out of memory leaves the chunk as it was.
  auto* buffer = static_cast<uint8_t*>(engineAllocateZeroed(dataSize));
  if (buffer == nullptr) return std::nullopt;
  int32_t index = placeChunk(type, id, dataSize);
  if (index < 0) {
    engineFree(buffer);
    return std::nullopt;
  }
  return ChunkStream(ChunkStream::Mode::Write, index, buffer, dataSize);
}

bool ChunkFile::release(ChunkStream stream) {
  if (stream.reading()) return true;
  int32_t index = stream.chunkIndex();
  if (!isOpen() || index < 0 || index >= chunkCount()) return false;
  const ChunkEntry& chunk = entries()[index];
  uint32_t size = chunk.used >= kChunkHeaderSize ? chunk.used - kChunkHeaderSize : 0;
  if (size > stream.size()) size = stream.size();
  return writeAt(uint64_t{chunk.offset} + kChunkHeaderSize, stream.data(), size);
}

int32_t ChunkFile::writeChunk(FourCC type, uint32_t id, const void* bytes, uint32_t size) {
  std::optional<ChunkStream> stream = openForWrite(type, id, size);
  if (!stream) return QX_ERR_WRITE_FAILED;
  if (size > 0) std::memcpy(stream->data(), bytes, size);
  return release(std::move(*stream)) ? QX_OK : QX_ERR_WRITE_FAILED;
}

int32_t ChunkFile::readChunkPrefix(FourCC type, uint32_t id, void* buffer, uint32_t size) {
  int32_t index = find(type, id);
  if (index < 0 || !dataInFile(entries()[index]) || dataSize(index) < size) {
    return QX_ERR_READ_PREFIX;
  }
  return readAt(uint64_t{entries()[index].offset} + kChunkHeaderSize, buffer, size)
             ? QX_OK
             : QX_ERR_READ_PREFIX;
}

MemHandle ChunkFile::readChunkWhole(FourCC type, uint32_t id, int32_t* error) {
  int32_t index = find(type, id);
  MemHandle data = nullptr;
  if (index >= 0 && dataInFile(entries()[index])) {
    const ChunkEntry chunk = entries()[index];
    data = newHandle(chunk.used - kChunkHeaderSize);
    if (data != nullptr &&
        !readAt(uint64_t{chunk.offset} + kChunkHeaderSize, data->data, data->size)) {
      disposeHandle(data);
      data = nullptr;
    }
  }
  if (error != nullptr) *error = data != nullptr ? QX_OK : QX_ERR_READ_WHOLE;
  return data;
}

uint32_t ChunkFile::dataSize(int32_t index) const {
  if (index < 0 || index >= chunkCount()) return 0;
  uint32_t used = entries()[index].used;
  return used >= kChunkHeaderSize ? used - kChunkHeaderSize : 0;
}

int32_t ChunkFile::verify() {
  int32_t count = chunkCount();
  if (handleSize(directory_) != static_cast<uint64_t>(count) * sizeof(ChunkEntry)) {
    return QX_ERR_VERIFY_DIRECTORY_SIZE;
  }
  const ChunkEntry* list = entries();
  for (int32_t i = 0; i < count; ++i) {
    const ChunkEntry& chunk = list[i];
    // Beyond the signed limits, a live chunk smaller than its own header, and an allocation
    // that cannot hold a header would make the chunks overlap.
    bool live = chunk.type != kFreedChunk;
    if (static_cast<int32_t>(chunk.used) < 0 || (live && chunk.used < kChunkHeaderSize)) {
      return QX_ERR_VERIFY_USED;
    }
    if (static_cast<int32_t>(chunk.allocated) < 0 || chunk.allocated < kChunkHeaderSize) {
      return QX_ERR_VERIFY_ALLOCATED;
    }
    if (chunk.used > chunk.allocated) return QX_ERR_VERIFY_USED_OVER;
  }
  for (int32_t i = 1; i < count; ++i) {
    if (uint64_t{list[i].offset} != uint64_t{list[i - 1].offset} + list[i - 1].allocated) {
      return QX_ERR_VERIFY_OFFSET;
    }
  }

  // Compare with the disk itself, not with what the stream has buffered.
  std::fflush(file_);
  uint8_t onDisk[kHeaderChunkSize];
  const uint8_t* held = headerChunk_ + kChunkHeaderSize;
  if (!readAt(0, onDisk, sizeof onDisk) ||
      std::memcmp(onDisk + kChunkHeaderSize, held, 12) != 0) {  // tag, count, reserved word
    return QX_ERR_VERIFY_HEADER_CHUNK;
  }
  for (int32_t i = 1; i < count; ++i) {
    uint8_t expected[kChunkHeaderSize];
    storeEntry(expected, list[i]);
    if (!readAt(list[i].offset, onDisk, kChunkHeaderSize) ||
        std::memcmp(onDisk, expected, kChunkHeaderSize) != 0) {
      return QX_ERR_VERIFY_CHUNK_HEADER;
    }
  }
  return QX_OK;
}

int32_t ChunkFile::compact(ProgressReporter* progress) {
  // Moving the chunks of an inconsistent directory would scramble the file: leave it as it is.
  int32_t consistent = verify();
  if (consistent != QX_OK) return consistent;
  const int32_t count = chunkCount();
  const ChunkEntry* old = entries();

  // The new directory: the live chunks in file order, without slack, end to end from offset 0.
  // `from` remembers where each one is now.
  int32_t live = 0;
  for (int32_t i = 0; i < count; ++i) live += old[i].type != kFreedChunk ? 1 : 0;
  MemHandle directory = newHandle(static_cast<uint32_t>(live) * sizeof(ChunkEntry));
  auto* from = static_cast<int32_t*>(engineAllocate(static_cast<size_t>(live) * sizeof(int32_t)));
  if (directory == nullptr || from == nullptr) {
    disposeHandle(directory);
    engineFree(from);
    return QX_ERR_DIRECTORY_GROW_2;
  }
  auto* fresh = static_cast<ChunkEntry*>(directory->data);
  bool changed = live != count;
  uint64_t offset = 0;
  for (int32_t i = 0, n = 0; i < count; ++i) {
    if (old[i].type == kFreedChunk) continue;
    ChunkEntry chunk = old[i];
    if (n > 0 && chunk.used < chunk.allocated) {
      chunk.allocated = chunk.used;
      changed = true;
    }
    chunk.offset = static_cast<uint32_t>(offset);
    offset += chunk.allocated;
    from[n] = i;
    fresh[n++] = chunk;
  }
  if (!changed) {
    disposeHandle(directory);
    engineFree(from);
    return QX_OK;
  }

  int32_t status = QX_OK;
  auto* block = static_cast<uint8_t*>(engineAllocate(kCompactionBlockSize));
  if (block == nullptr) status = QX_ERR_MEMORY;
  if (progress != nullptr) progress->begin("Closing File", live);
  int32_t first = 0;
  while (first < live && sameChunk(fresh[first], old[from[first]])) ++first;
  // Every chunk moves towards the start of the file, so copying forward never overwrites bytes
  // that are still to be read.
  for (int32_t n = first; n < live && status == QX_OK; ++n) {
    const ChunkEntry& source = old[from[n]];
    for (uint32_t done = 0; done < fresh[n].allocated && status == QX_OK;) {
      uint32_t step = fresh[n].allocated - done;
      if (step > kCompactionBlockSize) step = kCompactionBlockSize;
      if (!readAt(uint64_t{source.offset} + done, block, step)) status = QX_ERR_SHORT_READ;
      else if (!writeAt(uint64_t{fresh[n].offset} + done, block, step)) status = QX_ERR_SHORT_WRITE;
      done += step;
    }
    if (status == QX_OK) status = writeChunkHeader(fresh[n]);
    if (progress != nullptr) progress->advance();
  }
  if (progress != nullptr) progress->end();
  engineFree(block);
  engineFree(from);

  if (status != QX_OK) {
    disposeHandle(directory);
    return status;
  }
  disposeHandle(directory_);
  directory_ = directory;
  setChunkCount(live);
  return writeHeaderChunk();
}

int32_t ChunkFile::close(bool commit, ProgressReporter* progress) {
  int32_t status = QX_OK;
  if (file_ != nullptr) {
    if (commit && !readOnly_ && lastError_ == QX_OK) {
      status = compact(progress);
      if (status == QX_OK) status = writeHeaderChunk();
      if (status == QX_OK) status = verify();
      if (status == QX_OK && std::fflush(file_) != 0) status = QX_ERR_SHORT_WRITE;
      if (status != QX_OK) ui::alertError(status, ui::kStringDiskError);
    }
    if (std::fclose(file_) != 0 && status == QX_OK && commit && !readOnly_) {
      status = QX_ERR_SHORT_WRITE;
    }
    file_ = nullptr;
  }
  freeDirectory();
  return status;
}

void ChunkFile::freeDirectory() {
  disposeHandle(directory_);
  directory_ = nullptr;
}

ChunkFile* newChunkFile() {
  void* memory = engineAllocate(sizeof(ChunkFile));
  return memory != nullptr ? new (memory) ChunkFile() : nullptr;
}

int32_t closeChunkFile(ChunkFile* file, bool commit) {
  if (file == nullptr) return QX_OK;
  int32_t status = file->close(commit);
  file->~ChunkFile();
  engineFree(file);
  return status;
}

}  // namespace quorix::document
