// The tracker's buffers: arrays made in open and freed in close, never resized in between.
//
// Every buffer of the tracker comes from allocateTrackerMemory, so that tests can make the
// n-th allocation fail and reach open's failure path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

namespace quorix::pulsefinder {

// `bytes` of memory, or null; honours the failure seam below.
void* allocateTrackerMemory(size_t bytes);
void freeTrackerMemory(void* block);

// Test seam: after `successes` more allocations succeed, every allocation fails until reset.
// A negative count turns failures off.
void failTrackerAllocationsAfter(long successes);

template <typename T>
class Buffer {
  static_assert(std::is_nothrow_default_constructible_v<T>, "buffers hold plain records");

 public:
  Buffer() = default;
  ~Buffer() { release(); }
  Buffer(Buffer&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  Buffer& operator=(Buffer&& other) noexcept {
    if (this != &other) {
      release();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;

  // Replaces the contents with `count` value-initialised (zeroed) elements; false, and
  // empty, when the memory cannot be had.
  bool allocate(size_t count) {
    release();
    if (count == 0) return true;
    if (count > SIZE_MAX / sizeof(T)) return false;
    void* block = allocateTrackerMemory(count * sizeof(T));
    if (block == nullptr) return false;
    data_ = static_cast<T*>(block);
    for (size_t i = 0; i < count; ++i) new (data_ + i) T();
    size_ = count;
    return true;
  }

  void release() {
    if (data_ == nullptr) return;
    for (size_t i = 0; i < size_; ++i) data_[i].~T();
    freeTrackerMemory(data_);
    data_ = nullptr;
    size_ = 0;
  }

  size_t size() const { return size_; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](size_t index) { return data_[index]; }
  const T& operator[](size_t index) const { return data_[index]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

 private:
  T* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace quorix::pulsefinder
