// Appending to the traffic record's fixed-size byte buffers (the display
// buffer and the receive log) without ever writing past them, and dropping
// their oldest bytes in place: nothing here allocates, so nothing can fail
// for memory.
#pragma once

#include <cstdint>
#include <cstring>

namespace zephyn {

// Past this many bytes the display buffer drops its oldest million, and the
// receive log spills them to the capture file.
inline constexpr std::int32_t kTrimSize = 1'000'000;

// Directions of the bytes in the display buffer.
inline constexpr std::int32_t kNoDirection = 0;
inline constexpr std::int32_t kSent = 1;
inline constexpr std::int32_t kReceived = 2;

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

// How many bytes AppendDirectionMarker adds for bytes of `direction`.
inline std::uint32_t MarkerSize(std::int32_t lastDirection, std::int32_t direction) {
  if (lastDirection == direction) return 0;
  return lastDirection == kNoDirection ? 2 : 4;
}

// Marks a change of direction before bytes of `direction` are appended:
// CR LF after earlier bytes, then ">>" (sent) or "<<" (received). Nothing when
// the direction stays the same.
inline void AppendDirectionMarker(std::uint8_t* buffer, std::int32_t& length, std::int32_t capacity,
                                  std::int32_t& lastDirection, std::int32_t direction) {
  if (lastDirection == direction) return;
  static const std::uint8_t kCrLf[] = {'\r', '\n'};
  static const std::uint8_t kSentMarker[] = {'>', '>'};
  static const std::uint8_t kReceivedMarker[] = {'<', '<'};
  if (lastDirection != kNoDirection) AppendWithin(buffer, length, capacity, kCrLf, 2);
  AppendWithin(buffer, length, capacity, direction == kSent ? kSentMarker : kReceivedMarker, 2);
  lastDirection = direction;
}

}  // namespace zephyn
