// The capture files of the runs that share a data folder. Each run creates
// its own exclusively and holds a lock on it for as long as it lives, so a
// capture whose lock is free was left by a run that ended without deleting it
// (killed, or the machine went down). Start-up keeps those under a name of
// their own, which no run takes for a capture again.
#pragma once

#include <string>
#include <vector>

namespace zephyn {

// The name a run's capture file tries at its `attempt`-th creation:
// "<stamp>RX data.bin" first, then "<stamp>-<pid>RX data.bin",
// "<stamp>-<pid>-2RX data.bin", ... for runs that started in the same second.
std::string CaptureName(const std::string& stamp, long pid, int attempt);

// True for the names CaptureName gives: 14 digits, "-" and digits at most
// twice, then "RX data.bin". A saved "RX data.bin" is no capture.
bool IsCaptureName(const std::string& name);

// Creates `path` (which must not exist) and locks it for this run. The open
// descriptor, or -1 with errno set (EEXIST when the name is taken, also by a
// run that is removing it as stale at this moment).
int CreateLockedCapture(const std::string& path);

// The name a capture keeps once its run is gone, "<stamp>RX data
// (recovered).bin" for "<stamp>RX data.bin"; from the 2nd `attempt` on, the
// attempt's number follows "recovered". No capture name.
std::string RecoveredName(const std::string& captureName, int attempt);

// Renames the capture files in `folder` that no live run holds locked to
// their recovered names, never over an existing file; the data they hold is
// the only copy of what their runs received, so it is left to the user. An
// empty one holds nothing and is deleted: its run ended before writing, or
// it is a run's new capture not locked yet (CreateLockedCapture). The new
// paths, in the order they were found.
std::vector<std::string> RecoverStaleCaptures(const std::string& folder);

}  // namespace zephyn
