// The IDs of the localized text table, by what each text is used for. Some
// texts double as state markers: a caption equal to one of them tells the
// state (see the comments).
#pragma once

#include <cstdint>

namespace zephyn::TextId {

inline constexpr std::uint16_t kOpenCaption = 0;   // open/close button while the port is closed
inline constexpr std::uint16_t kCloseCaption = 1;  // the same while open: the port is shown open
inline constexpr std::uint16_t kPortWord = 3;      // first word of the port-lost message
inline constexpr std::uint16_t kNoPort = 4;        // the port list's only entry when no port exists
inline constexpr std::uint16_t kDisconnectWord = 5;  // last word of the port-lost message
inline constexpr std::uint16_t kPortLostCaption = 7;
inline constexpr std::uint16_t kSpeedWord = 8;
inline constexpr std::uint16_t kByteUnit = 9;
inline constexpr std::uint16_t kAutoBaud = 10;  // first entry of the rate list
inline constexpr std::uint16_t kOverrunCaption = 14;
inline constexpr std::uint16_t kAtPageTitle = 15;
inline constexpr std::uint16_t kFirstAtButton = 16;  // 16 to 23: the AT page's buttons
inline constexpr std::uint16_t kStringsPageTitle = 24;
inline constexpr std::uint16_t kSaveFinished = 26;
inline constexpr std::uint16_t kSecondUnit = 27;
inline constexpr std::uint16_t kSendFileCaption = 28;
inline constexpr std::uint16_t kNoFileChosen = 29;  // the file label while no file is chosen
inline constexpr std::uint16_t kNoFileCaption = 30;
inline constexpr std::uint16_t kPauseCaption = 31;  // send-file button while a file is being sent
inline constexpr std::uint16_t kFileOpenFailed = 32;
inline constexpr std::uint16_t kFlowOn = 35;   // "Have": CTS flow control
inline constexpr std::uint16_t kFlowOff = 36;  // "No": no flow control
inline constexpr std::uint16_t kTimeWord = 37;
inline constexpr std::uint16_t kSendStopped = 38;
inline constexpr std::uint16_t kSendFinished = 39;
inline constexpr std::uint16_t kSaveFolderTitle = 40;
inline constexpr std::uint16_t kTooFast = 41;

// Messages (kFirstMessage on): why an open that was asked for failed, each
// with the device's path as %1.
inline constexpr std::uint16_t kOpenNoPermission = 1000;  // %2: the group to join
inline constexpr std::uint16_t kOpenBusy = 1001;
inline constexpr std::uint16_t kOpenNotSerial = 1002;
inline constexpr std::uint16_t kOpenNoDevice = 1003;
inline constexpr std::uint16_t kOpenRateRefused = 1004;  // %2: the rate
inline constexpr std::uint16_t kOpenRateInvalid = 1005;  // %2: the rate box's text
inline constexpr std::uint16_t kOpenFailed = 1006;       // %2: the system's reason
// A --port path that does not exist at start (standard error); %1: the path.
inline constexpr std::uint16_t kPortPathMissing = 1007;
// A refused open of a device that only its owner may open; %2: the owner,
// %3: the device's name for a udev rule.
inline constexpr std::uint16_t kOpenOwnerOnly = 1008;

// Lines the session writes into the receive pane (kFirstNote on), each in
// brackets on a line of its own.
// The saved port is not there at start-up; %1: the port.
inline constexpr std::uint16_t kSavedPortAbsent = 1100;
// The same, with reopening on: it opens when it appears; %1: the port.
inline constexpr std::uint16_t kSavedPortAwaited = 1101;
// The saved port appeared and was opened; %1: the port, %2: when.
inline constexpr std::uint16_t kPortAppeared = 1102;
// A lost port came back and was reopened; %1: when it went, %2: when it
// was reopened.
inline constexpr std::uint16_t kPortReopened = 1103;
// Why an open the program made by itself failed; %1: the reason.
inline constexpr std::uint16_t kProgramOpenFailed = 1104;

}  // namespace zephyn::TextId
