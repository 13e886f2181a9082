// Opening a file the user named (a file to send, a log, the settings) so that
// it can never hang the program: a named pipe with nobody at its other end, a
// terminal or another device would block an open or a read for good, and
// opening a device may act on it (a serial adapter raises its control lines).
// Only regular files are opened; anything else is refused before it is opened.
#pragma once

#include <sys/types.h>

#include <string>

#include "common/texts.h"

namespace zephyn {

// The reason given for a path that names a folder, a device, a named pipe or
// a socket. No errno has this value.
inline constexpr int kNotRegularFile = -1;
// The reason given for a file the user made read-only (no write permission
// bit at all), which the program leaves alone even when it runs as root.
inline constexpr int kReadOnlyFile = -2;

// Opens the regular file at `path` with `flags` (O_RDONLY, or O_WRONLY with
// O_CREAT, O_APPEND...; `mode` for a file it creates), close-on-exec, never
// as a controlling terminal and without waiting for anything. A link is
// followed. Returns the descriptor, or -1 with the reason in `error`: an
// errno, or kNotRegularFile.
int OpenUserFile(const std::string& path, int flags, int& error, mode_t mode = 0644);

// Why a file could not be used, for a message: the system's text for an
// errno, the program's own for kNotRegularFile and kReadOnlyFile (UTF-8).
std::string FileErrorReason(int error, Language language);

}  // namespace zephyn
