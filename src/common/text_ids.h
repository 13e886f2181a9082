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

// The receive pane's find bar: its name, its controls' captions and names,
// and what its count says when it has no number to give.
inline constexpr std::uint16_t kFindBarName = 42;
inline constexpr std::uint16_t kFindWhat = 43;         // the query's name
inline constexpr std::uint16_t kFindPlaceholder = 44;  // the empty query's hint
inline constexpr std::uint16_t kFindHex = 45;
inline constexpr std::uint16_t kFindPrevious = 46;
inline constexpr std::uint16_t kFindNext = 47;
inline constexpr std::uint16_t kFindCountName = 48;
inline constexpr std::uint16_t kFindCloseName = 49;
inline constexpr std::uint16_t kFindNotHex = 50;
inline constexpr std::uint16_t kFindNoMatches = 51;
// The receive pane's menu: its name and the entries after Copy and Select All.
inline constexpr std::uint16_t kPaneMenuName = 52;
inline constexpr std::uint16_t kPaneFind = 53;
inline constexpr std::uint16_t kPaneTimestamps = 54;
inline constexpr std::uint16_t kPaneReopen = 55;
inline constexpr std::uint16_t kPaneStopLog = 56;
inline constexpr std::uint16_t kPaneLogToFile = 57;
inline constexpr std::uint16_t kPaneLogTimestamps = 58;
// File choosers: the live log's title and filter, the file to send's filter.
inline constexpr std::uint16_t kLogChooserTitle = 59;
inline constexpr std::uint16_t kLogFileFilter = 60;
inline constexpr std::uint16_t kSendFileFilter = 61;  // the same in both languages
// Buttons, boxes and names with nothing to fill in.
inline constexpr std::uint16_t kSaveCancel = 62;           // the save's progress box
inline constexpr std::uint16_t kTooManyInstructions = 63;  // a send of more than 20
inline constexpr std::uint16_t kWrongPassword = 64;
inline constexpr std::uint16_t kScrollBarName = 65;  // the stored-strings page's
// Why a user's file could not be used, where the system's words fall short.
inline constexpr std::uint16_t kNotRegularFile = 66;
inline constexpr std::uint16_t kReadOnlyFile = 67;
// The command line's help and start-up warnings (standard error).
inline constexpr std::uint16_t kAppDescription = 68;
inline constexpr std::uint16_t kPortOptionHelp = 69;
inline constexpr std::uint16_t kDemoOptionHelp = 70;
inline constexpr std::uint16_t kDemoFailed = 71;
// The input box's menu: its name and what New line appends.
inline constexpr std::uint16_t kInputMenuName = 72;
inline constexpr std::uint16_t kLineEndCrLf = 73;
inline constexpr std::uint16_t kLineEndCr = 74;
inline constexpr std::uint16_t kLineEndLf = 75;
// The receive pane's menu: the live log takes what is sent too.
inline constexpr std::uint16_t kPaneLogSent = 76;
// The receive pane's menu: holds the line in break.
inline constexpr std::uint16_t kPaneSendBreak = 77;
// zephyn-module's command line: its help, and the hint after a refusal.
inline constexpr std::uint16_t kModuleUsage = 78;
inline constexpr std::uint16_t kModuleTryHelp = 79;

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

// The find bar's count. %1: the selected match, %2: how many.
inline constexpr std::uint16_t kFindPosition = 1009;
inline constexpr std::uint16_t kFindCount = 1010;  // %1: how many, none selected
// An amount of bytes; %1: the number.
inline constexpr std::uint16_t kByteAmount = 1011;
// The capture: what an earlier run left behind, the save's progress and
// outcome, and what became of received data that could not be written.
inline constexpr std::uint16_t kCapturesKept = 1012;  // %1: the files, one a line
inline constexpr std::uint16_t kSavingTo = 1013;      // %1: the folder
// A save that lacks received bytes. %1: the folder, %2: how many bytes,
// %3 and %4: the first and last byte of the first gap (counted from 1);
// kSaveMissingGaps also %5: how many gaps follow.
inline constexpr std::uint16_t kSaveMissing = 1014;
inline constexpr std::uint16_t kSaveMissingGaps = 1015;
// %1: the memory set aside for received data, %2: the bytes dropped.
inline constexpr std::uint16_t kReceivedDropped = 1016;
// A file that could not be written or read: %1 the file, %2 the reason.
inline constexpr std::uint16_t kFileWriteFailed = 1017;     // the save's file
inline constexpr std::uint16_t kSpillWriteFailed = 1018;    // %3: the memory set aside
inline constexpr std::uint16_t kLogWriteFailed = 1019;      // the live log; it stops
inline constexpr std::uint16_t kSettingsSaveFailed = 1020;  // at close
inline constexpr std::uint16_t kSettingsReadFailed = 1021;  // at start (standard error)
// A file too large to send. %1: the file, %2: its size, %3: the most sendable.
inline constexpr std::uint16_t kFileTooLarge = 1022;
// A timer that refuses its interval; %1 to %2: the intervals it accepts (ms).
inline constexpr std::uint16_t kTimerRefused = 1023;
// The device refused a break; %1: the system's reason.
inline constexpr std::uint16_t kBreakRefused = 1024;
// zephyn-module's refusals (standard error). %1: the option or argument at
// fault (kModuleBadRate: the value given).
inline constexpr std::uint16_t kModuleUnknownOption = 1025;
inline constexpr std::uint16_t kModuleMissingValue = 1026;
inline constexpr std::uint16_t kModuleBadRate = 1027;
inline constexpr std::uint16_t kModuleUnexpectedArgument = 1028;
// %1: the system's reason.
inline constexpr std::uint16_t kModuleNoPseudoTerminal = 1029;
// %1: the link's path, %2: the system's reason.
inline constexpr std::uint16_t kModuleLinkFailed = 1030;

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

// The status strip (kFirstStripText on).
inline constexpr std::uint16_t kStripName = 1200;  // the strip's accessible name
// What the connection is doing.
inline constexpr std::uint16_t kStripClosed = 1201;
inline constexpr std::uint16_t kStripOpening = 1202;
inline constexpr std::uint16_t kStripOpen = 1203;
inline constexpr std::uint16_t kStripClosing = 1204;
inline constexpr std::uint16_t kStripLost = 1205;
inline constexpr std::uint16_t kStripReopening = 1206;  // lost, reopened when it returns
inline constexpr std::uint16_t kStripDetecting = 1207;
// %1: the port (or kStripPortWord when there is none), %2: what it does.
inline constexpr std::uint16_t kStripPortState = 1208;
inline constexpr std::uint16_t kStripPortWord = 1209;
// The line's rate (%1), format and flow control.
inline constexpr std::uint16_t kStripLineNoFlow = 1210;
inline constexpr std::uint16_t kStripLineCtsFlow = 1211;
inline constexpr std::uint16_t kStripLinePurpose = 1212;  // before the line part's text
// A modem line's mark, %1: its name (DTR, RTS, CTS, DSR, DCD, RI).
inline constexpr std::uint16_t kStripMarkOn = 1213;
inline constexpr std::uint16_t kStripMarkOff = 1214;
inline constexpr std::uint16_t kStripMarkUnavailable = 1215;
inline constexpr std::uint16_t kStripMarkUnknown = 1216;  // closed, or not read yet
inline constexpr std::uint16_t kStripMarkSwitch = 1217;   // tooltip of DTR or RTS offered
inline constexpr std::uint16_t kStripRtsFlow = 1218;      // tooltip of RTS under CTS flow
// %1: the live log's file.
inline constexpr std::uint16_t kStripLogging = 1219;
// %1: the size of this run's capture.
inline constexpr std::uint16_t kStripCapture = 1220;

}  // namespace zephyn::TextId
