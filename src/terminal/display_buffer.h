// Appending to the window's fixed-size byte buffers (the display buffer and
// the receive log) without ever writing past them, and dropping their oldest
// bytes in place: nothing here allocates, so nothing can fail for memory.
#pragma once

#include <cstdint>
#include <cstring>

namespace zephyn {

// Drops the first `count` bytes of the `length` bytes at `buffer`.
inline void DropOldest(std::uint8_t* buffer, std::int32_t& length, std::int32_t count) {
  if (count >= length) {
    length = 0;
    return;
  }
  std::memmove(buffer, buffer + count, std::size_t(length - count));
  length -= count;
}

// Appends `count` bytes; when they do not fit in `capacity`, the oldest bytes
// make room, and of a block larger than the whole buffer the newest are kept.
inline void AppendWithin(std::uint8_t* buffer, std::int32_t& length, std::int32_t capacity,
                         const std::uint8_t* bytes, std::int64_t count) {
  if (count <= 0) return;
  if (count > capacity) {
    bytes += count - capacity;
    count = capacity;
  }
  if (length + count > capacity)
    DropOldest(buffer, length, std::int32_t(length + count - capacity));
  std::memcpy(buffer + length, bytes, std::size_t(count));
  length += std::int32_t(count);
}

}  // namespace zephyn
