// The terminal's state as one value: whether and how the port is connected,
// which activity runs, what file is in hand. The session owns it and reports
// every change of it; the window draws it and never reads it back from a
// caption, a check box or a list.
#pragma once

#include <array>
#include <string>

namespace zephyn {

// The connection to the chosen device.
enum class Connection {
  Closed,     // no device open
  Opening,    // an open was asked for and has not ended yet
  Open,       // the device is open and sends and receives
  Closing,    // a close was asked for and has not ended yet
  Lost,       // the open device went away; closed, until it returns or the user acts
  Detecting,  // the rate detection probes the device, opening and closing it itself
};

// The file chosen for sending.
enum class FileStage {
  None,        // no file chosen
  Loading,     // a chosen file is being read
  Unsendable,  // the chosen file could not be read, or is empty: nothing to send
  Loaded,      // the chosen file is in memory, ready to send
};

// A transfer of the loaded file.
enum class Transfer {
  Idle,     // not under way (never started, finished, or stopped)
  Sending,  // chunks go out
  Paused,   // stopped part way; resumes where it stopped
};

// The six modem lines: the two outputs the terminal drives, then the four
// inputs the device drives.
enum class ModemLine { Dtr, Rts, Cts, Dsr, Dcd, Ri };
inline constexpr int kModemLineCount = 6;

// The modem lines of the open device, as last read or set. A line the device
// refused (reading them, or setting this one) holds the system error number
// (errno) it was refused with and shows as unavailable; 0: available.
struct ModemLines {
  bool read = false;  // read from the device since it opened
  std::array<bool, kModemLineCount> on{};
  std::array<int, kModemLineCount> refused{};

  bool operator==(const ModemLines&) const = default;
};

struct SessionState {
  Connection connection = Connection::Closed;
  // The port list holds at least one device (not only the placeholder).
  bool portListed = false;
  // The port that is open, being opened, detected or was lost; the rate text
  // and flow-control entry it was (or is being) opened with.
  std::string port;
  std::string rate;
  int flow = 0;
  // While Open: the modem lines; cleared otherwise.
  ModemLines lines;

  // Activities.
  bool timedSend = false;
  bool cycle = false;
  FileStage file = FileStage::None;
  std::string filePath;  // the file chosen last, read or not
  Transfer transfer = Transfer::Idle;

  // The live log and its file.
  bool liveLog = false;
  std::string liveLogPath;

  // A port the user chose whose device is not present now (lost while open,
  // or saved but absent at start-up): the settings file goes on naming it,
  // and with reopening on it is opened when it returns.
  std::string missingPort;
  bool reopenPending = false;

  bool operator==(const SessionState&) const = default;
};

}  // namespace zephyn
