#include "session/enablement.h"

#include "common/text_ids.h"
#include "resources/control_ids.h"

namespace zephyn {

namespace {

// What the rule reads of the state. Activities count only while the port is
// open: outside it nothing can be sent, and a control an activity would keep
// off is off anyway, or is the user's way to choose and open a port again.
struct Facts {
  bool open = false;
  bool timed = false;     // a timed send runs
  bool cycle = false;     // the string cycle runs
  bool transfer = false;  // a file transfer is sending or paused
  bool sending = false;   // a file transfer is sending
  // The connection row may be used: the port is closed or lost and nothing
  // is under way on the connection, or it is open and nothing runs.
  bool rowFree = false;
  // The input box, Send and Timing: the open port, no file transfer (which
  // also takes the side panel away).
  bool input = false;
};

Facts Read(const SessionState& s) {
  Facts f;
  f.open = s.connection == Connection::Open;
  f.timed = f.open && s.timedSend;
  f.cycle = f.open && s.cycle;
  f.transfer = f.open && s.transfer != Transfer::Idle;
  f.sending = f.open && s.transfer == Transfer::Sending;
  const bool settled = s.connection == Connection::Closed || s.connection == Connection::Lost;
  f.rowFree = settled || (f.open && !f.timed && !f.cycle && !f.transfer);
  f.input = f.open && !f.transfer;
  return f;
}

ControlState MainControl(int id, const SessionState& s, const Facts& f) {
  using namespace MainIds;
  // The file controls belong to the file transfer: a timed send or a cycle
  // keeps them off, so only one thing sends at a time.
  const bool fileFree = f.open && !f.timed && !f.cycle;
  ControlState c;
  switch (id) {
    case kPortList:
      c.enabled = f.rowFree;
      break;
    case kBaudRate:
    case kFlowControl:
      c.enabled = f.rowFree && s.portListed;
      break;
    case kOpenClose:
      c.enabled = f.rowFree && s.portListed;
      // "Close" only while the port is open and usable: during an open, a
      // close or a detection the port is not the user's yet, or no more.
      c.caption = f.open ? TextId::kCloseCaption : TextId::kOpenCaption;
      break;
    case kSave:
      c.enabled = s.portListed;
      break;
    case kInterval:
      // Fixed while a timed send runs at it.
      c.enabled = !f.timed;
      break;
    case kInput:
      c.enabled = f.input;
      break;
    case kSend:
      c.enabled = f.input && !f.cycle;
      break;
    case kTiming:
      c.enabled = f.input && !f.cycle;
      c.checked = s.timedSend;
      break;
    case kChooseFile:
      // A paused transfer may have another file chosen; a sending one not.
      c.enabled = fileFree && !f.sending;
      break;
    case kSendFile:
      // Starts or resumes the loaded file, or pauses the transfer that sends.
      c.enabled = fileFree && (f.sending || s.file == FileStage::Loaded);
      c.caption =
          s.transfer == Transfer::Sending ? TextId::kPauseCaption : TextId::kSendFileCaption;
      break;
    case kStopSend:
      // Ends a transfer and shows its figures, whatever the port does
      // meanwhile: a transfer the user's close interrupted is ended here too.
      c.enabled = s.transfer != Transfer::Idle;
      break;
    case kFileLabel:
      c.enabled = s.file != FileStage::None;
      break;
    case kReplyMode:
      c.enabled = !f.cycle;
      break;
    case kTabs:
      c.visible = f.input;
      break;
    case kTabsPlaceholder:
      c.visible = !f.input;
      break;
    default:
      break;
  }
  return c;
}

ControlState PageControl(int id, const SessionState& s, const Facts& f) {
  using namespace StringsPageIds;
  ControlState c;
  if (id == kCycle) {
    // Off while the timed send runs; on while the cycle runs, to stop it.
    c.enabled = !f.timed;
    c.checked = s.cycle;
  } else {
    // The interval, the new-line box and the rows' buttons stay as the
    // running cycle took them.
    c.enabled = !f.cycle;
  }
  return c;
}

std::vector<ControlKey> MakeGoverned() {
  using namespace MainIds;
  std::vector<ControlKey> keys;
  for (int id :
       {kPortList, kBaudRate, kFlowControl, kSave, kInterval, kInput, kSend, kTiming, kChooseFile,
        kSendFile, kStopSend, kFileLabel, kReplyMode, kTabs, kTabsPlaceholder})
    keys.push_back({Dialog::Main, id});
  for (int id : {StringsPageIds::kCycle, StringsPageIds::kCycleInterval, StringsPageIds::kNewLine})
    keys.push_back({Dialog::StringsPage, id});
  for (int n = 0; n < StringsPageIds::kRows; ++n)
    keys.push_back({Dialog::StringsPage, StringsPageIds::kFirstSend + n});
  keys.push_back({Dialog::Main, kOpenClose});
  return keys;
}

}  // namespace

const ControlState* ControlStates::Find(Dialog dialog, int id) const {
  for (const GovernedControl& control : controls)
    if (control.key == ControlKey{dialog, id}) return &control.state;
  return nullptr;
}

const std::vector<ControlKey>& GovernedControls() {
  static const std::vector<ControlKey> keys = MakeGoverned();
  return keys;
}

ControlStates Enablement(const SessionState& state) {
  const Facts facts = Read(state);
  ControlStates states;
  states.controls.reserve(GovernedControls().size());
  for (const ControlKey& key : GovernedControls()) {
    const ControlState control = key.dialog == Dialog::Main ? MainControl(key.id, state, facts)
                                                            : PageControl(key.id, state, facts);
    states.controls.push_back({key, control});
  }
  return states;
}

}  // namespace zephyn
