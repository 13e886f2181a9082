// What a serial line carries at a given rate, at 10 bits a byte (a start
// bit, 8 data bits, a stop bit): the check that refuses a timed send the line
// cannot keep up with, and the size of a file transfer's writes.
#pragma once

#include <cstdint>

namespace zephyn {

// True when `payloadLen` bytes every `intervalMs` milliseconds need no more
// bytes a second than a line at `baud` carries (equal is enough). Both
// figures are whole bytes a second, truncated. An interval of 0 or less is
// not judged here: it passes, and the timer refuses it.
bool RateAllows(std::int64_t payloadLen, std::int64_t intervalMs, std::int64_t baud);

// Bytes a file transfer hands to the port in one write: about 10 ms of the
// line at `baud`, and at least 1, so a rate under 1000 or no rate at all
// ("Auto") still sends, a byte at a time.
std::int32_t FileChunkSize(std::int64_t baud);

}  // namespace zephyn
