// What the session tells whoever shows it (the window). Every call comes on a
// worker of the session (the connection worker, the port's reader, the port
// watch, a timer's or the file sender's thread), never on the window's own:
// the window posts what it draws to its thread. A call must not block and must
// not call back into the session synchronously.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/transfer_stats.h"
#include "serial/com_port.h"
#include "session/session_state.h"
#include "storage/live_log.h"
#include "storage/traffic_record.h"
#include "storage/whole_file.h"

namespace zephyn {

// Who asked for an open: the user, who is told in a box why it failed; or the
// program (at start-up, or for a device that returned), which notes why in a
// line of the receive pane instead.
enum class OpenBy { User, Program };

// Why an open the user asked for failed. PortError::None stands for a rate
// text that is no rate.
struct OpenFailure {
  std::string port;  // as listed
  std::string path;  // the device file
  std::string rate;  // the rate text as chosen
  PortError error = PortError::None;
  int err = 0;  // errno
};

// How a file transfer ended: by Stop (or a lost port, or closing), or after
// its last chunk.
enum class TransferEnd { Stopped, Finished };

class SessionEvents {
 public:
  virtual ~SessionEvents() = default;

  // The state changed; `state` is the whole new value. Reported once per
  // change, in the order the changes happened.
  virtual void OnStateChanged(const SessionState& state) = 0;
  // The port list changed (the placeholder stands alone when no port exists).
  virtual void OnPortsChanged(const std::vector<std::string>& ports) = 0;
  // An open the user asked for failed (the program's own are noted in the pane).
  virtual void OnOpenFailed(const OpenFailure& failure) = 0;
  // The open port's device went away.
  virtual void OnPortLost(const std::string& port) = 0;
  // New traffic or a note was recorded: the pane and the counters are behind.
  virtual void OnTrafficChanged() = 0;
  // The answer to a query of the AT page (GBK text).
  virtual void OnAtAnswer(const std::string& text) = 0;
  // The chosen file could not become the one to send: `file.status` says why
  // (its data is empty); for TooLarge and NoMemory the file in hand stays.
  virtual void OnFileRefused(const std::string& path, const WholeFile& file) = 0;
  // A file transfer ended, with its figures.
  virtual void OnTransferEnded(const TransferStats& stats, TransferEnd end) = 0;
  // The capture file could not be written / received bytes were dropped / the
  // live log failed and stopped.
  virtual void OnSpillFailure(const SpillFailure& failure) = 0;
  virtual void OnDropped(std::uint64_t bytes) = 0;
  virtual void OnLogFailure(const LogFailure& failure) = 0;
  // The open port's device refused a break; `error`: the errno it gave.
  virtual void OnBreakRefused(int error) { (void)error; }
};

}  // namespace zephyn
