// For tests only: the terminal control calls the serial device makes for the
// modem lines and the break can be replaced, so that a test with no device
// that has modem lines (a pseudo-terminal refuses them all) can play one,
// refuse a call, and see which requests were made.
#pragma once

namespace zephyn {

// One control call on the device `fd`: `request` is the system's request
// (TIOCMGET, TIOCMBIS or TIOCMBIC with the line bits at `bits`; TCSBRK for a
// break, `bits` null). Returns 0, or the errno the device refused it with.
using ModemCall = int (*)(int fd, unsigned long request, int* bits);

// Makes every serial device use `call` from now on; nullptr puts the
// system's calls back. Returns the one used before (nullptr: the system's).
// Any thread.
ModemCall ReplaceModemCallForTests(ModemCall call);

}  // namespace zephyn
