// The control IDs of the windows, by name. Every control's object name is
// its ID, so tests and outside tools find the same control by either.
#pragma once

namespace zephyn {

// Main window (template 102).
namespace MainIds {
inline constexpr int kTxCounters = 1000;       // "%d/%d CRC:%08X" of what was sent
inline constexpr int kRxCounters = 1001;       // the same of what was received
inline constexpr int kPortList = 1006;         // the system's serial devices
inline constexpr int kBaudRate = 1007;         // rate list; a rate can be typed
inline constexpr int kFlowControl = 1008;      // none / CTS
inline constexpr int kSave = 1009;             // save what was received
inline constexpr int kClear = 1010;            // clear pane, counters, capture
inline constexpr int kInterval = 1011;         // timed-send interval in ms
inline constexpr int kWebAddress = 1042;       // the maker's web address, a link
inline constexpr int kEcho = 1045;             // show what was sent in the pane too
inline constexpr int kHexView = 1047;          // show the pane as hexadecimal
inline constexpr int kReceivePane = 1049;      // what the device sent
inline constexpr int kBanner = 1052;           // banner picture, a link
inline constexpr int kOpenClose = 1053;        // its caption is the port's state
inline constexpr int kTabs = 1067;             // the side panel's two pages
inline constexpr int kProgress = 1089;         // file transfer progress
inline constexpr int kPercent = 1090;          // file transfer percentage
inline constexpr int kHiddenDefault = 1092;    // takes Return aimed at the window
inline constexpr int kReplyMode = 1095;        // never shown
inline constexpr int kTabsPlaceholder = 1096;  // shown instead of the tabs while closed
inline constexpr int kAbout = 1105;
inline constexpr int kNewLine = 1106;  // append CR LF when sending
inline constexpr int kTxSpeed = 1109;
inline constexpr int kRxSpeed = 1110;
inline constexpr int kFileLabel = 1118;  // the chosen file
inline constexpr int kCts = 1123;        // never read
inline constexpr int kMultiInstruction = 1124;  // never shown (Chinese template only)
inline constexpr int kAdvanced = 1125;   // advanced settings (Chinese template)
inline constexpr int kInput = 10000;     // what to send
inline constexpr int kSend = 10001;
inline constexpr int kHexInput = 10002;  // the input is hexadecimal
inline constexpr int kTiming = 10003;    // timed send on/off
inline constexpr int kChooseFile = 10004;
inline constexpr int kSendFile = 10005;  // start, pause or resume a transfer
inline constexpr int kStopSend = 10006;
inline constexpr int kDeveloperOption = 10016;  // English template's advanced settings
// The maker's block and the connection row's captions.
inline constexpr int kMakerFrame = 1057;
inline constexpr int kAccountCaption = 1058;  // over the QR code
inline constexpr int kMakerName = 1060;
inline constexpr int kPortCaption = 1062;
inline constexpr int kBaudCaption = 1063;
inline constexpr int kFlowCaption = 1064;
inline constexpr int kQrCode = 1107;  // the maker's account
// The status strip along the bottom (built by the window, not by the
// template): the strip, its parts, and the six modem lines' marks, DTR
// first (kStripFirstMark + ModemLine).
inline constexpr int kStatusStrip = 1150;
inline constexpr int kStripPort = 1151;       // the port and what its connection does
inline constexpr int kStripLine = 1152;       // rate, format, flow control
inline constexpr int kStripFirstMark = 1153;  // DTR, RTS, CTS, DSR, DCD, RI: 1153 to 1158
inline constexpr int kStripLog = 1159;        // the live log's file, while it runs
inline constexpr int kStripCapture = 1160;    // the size of this run's capture
}  // namespace MainIds

// AT command page (template 133): row i has its box kFirstBox + 2i and its
// button kFirstButton + 2i.
namespace AtPageIds {
inline constexpr int kRows = 8;
inline constexpr int kFirstBox = 1068;
inline constexpr int kFirstButton = 1069;
}  // namespace AtPageIds

// Stored-strings page (template 134): row n (1 to kRows) has its text
// kFirstText + n - 1, its hex check box kFirstHex + n - 1 and its send
// button kFirstSend + n - 1.
namespace StringsPageIds {
inline constexpr int kCycle = 1070;  // the endless cycle on/off
inline constexpr int kCycleInterval = 1072;
inline constexpr int kNewLine = 1094;  // CR LF after every send of the page
inline constexpr int kRows = 120;
inline constexpr int kFirstText = 20001;
inline constexpr int kFirstHex = 21001;
inline constexpr int kFirstSend = 22001;
}  // namespace StringsPageIds

// Advanced settings dialog (template 155).
namespace AdvanceIds {
inline constexpr int kApply = 1127;     // takes the three settings over
inline constexpr int kInterval = 1128;  // delay before each next instruction, as typed
inline constexpr int kMultiInstruction = 1129;
inline constexpr int kCancel = 1130;
inline constexpr int kUtf8 = 1135;  // received text is shown as UTF-8
}  // namespace AdvanceIds

// Password dialog (template 157).
namespace PasswordIds {
inline constexpr int kConfirm = 1131;
inline constexpr int kCancel = 1132;
inline constexpr int kPasswordEdit = 1133;  // masked
inline constexpr int kLabel = 1134;
}  // namespace PasswordIds

}  // namespace zephyn
