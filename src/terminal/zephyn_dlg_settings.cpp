// The settings file of the window: every choice, the 120 stored strings, the
// input box and the advanced settings are read back at start-up and written
// at close. The format is the storage layer's; here the values are taken from
// the controls and put back into them.
#include <cerrno>
#include <cstdio>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "panels/more_str_send.h"
#include "resources/control_ids.h"
#include "storage/flow_words.h"
#include "storage/settings_file.h"
#include "storage/settings_store.h"
#include "storage/user_file.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;
namespace Idx = SettingIndex;

namespace {

using StringsPageIds::kRows;
// The stored-strings page's row n (1 to kRows) and its hex check box.
constexpr int kFirstRowText = StringsPageIds::kFirstText - 1;
constexpr int kFirstRowHex = StringsPageIds::kFirstHex - 1;
constexpr int kRowsNewLine = StringsPageIds::kNewLine;

std::string CheckValue(bool checked) {
  return checked ? "1" : "0";
}

// Shows a list's text: the entry of that text is selected when the list
// holds one; an editable list shows the text as typed otherwise, a list-only
// one keeps its selection.
void ApplySelection(Controls& controls, int id, const QString& text) {
  for (int i = 0; i < controls.count(id); ++i) {
    if (controls.itemText(id, i) == text) {
      controls.setCurSel(id, i);
      return;
    }
  }
  controls.setText(id, text);
}

}  // namespace

std::optional<QString> CZephynDlg::LoadSettings() {
  if (m_options.settingsPath.empty()) return std::nullopt;
  const std::optional<std::string> bytes =
      ReadFileAtStart(m_options.settingsPath, m_options.settingsFallbackPath);
  if (!bytes) return std::nullopt;
  const SettingsReader reader(*bytes);
  Controls& page = m_moreStrSend->controls();
  auto text = [&](std::size_t index) -> std::optional<QString> {
    if (const auto value = reader.Value(index)) return FromGbk(*value);
    return std::nullopt;
  };
  auto check = [&](Controls& controls, int id, std::size_t index) {
    // As the check box's state only: its click handling does not run.
    if (const auto number = reader.Number(index)) controls.setChecked(id, *number == 1);
  };

  if (const auto baud = text(Idx::kBaud)) ApplySelection(m_controls, kBaudRate, *baud);
  if (const auto flow = reader.Value(Idx::kFlow))
    if (const auto entry = FlowEntryOfWord(*flow)) m_controls.setCurSel(kFlowControl, *entry);
  if (const auto interval = text(Idx::kInterval)) ApplySelection(m_controls, kInterval, *interval);
  if (const auto interval = text(Idx::kCycleInterval))
    ApplySelection(page, StringsPageIds::kCycleInterval, *interval);
  check(m_controls, kHexInput, Idx::kHexSend);
  check(m_controls, kHexView, Idx::kHexView);
  check(m_controls, kEcho, Idx::kEcho);
  check(m_controls, kNewLine, Idx::kNewLine);
  check(page, kRowsNewLine, Idx::kRowsNewLine);
  for (int n = 1; n <= kRows; ++n) check(page, kFirstRowHex + n, Idx::kFirstRowHex + n - 1);
  for (int n = 1; n <= kRows; ++n)
    if (const auto row = text(Idx::kFirstRowText + n - 1)) page.setText(kFirstRowText + n, *row);
  if (const auto input = text(Idx::kInput)) {
    // The box keeps line breaks as "\n".
    QString box = *input;
    box.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_controls.setText(kInput, box);
    RebuildSendBuf();
  }
  AdvancedSettings advanced = advancedSettings();
  if (const auto delay = reader.Value(Idx::kInstructionDelay)) advanced.instructionDelay = *delay;
  if (const auto on = reader.Number(Idx::kMultiInstruction)) advanced.multiInstruction = *on != 0;
  if (const auto on = reader.Number(Idx::kUtf8)) advanced.utf8 = *on != 0;
  SetAdvancedSettings(advanced);
  return text(Idx::kPort).value_or(QString());
}

bool CZephynDlg::SaveSettings() {
  if (m_options.settingsPath.empty() || m_moreStrSend == nullptr) return true;
  Controls& page = m_moreStrSend->controls();
  std::vector<std::string> values(Idx::kCount);
  // The port chosen last (kept while its device is away), else the one the
  // list shows.
  const QString port = QString::fromStdString(m_session.PortToSave());
  values[Idx::kPort] = ToGbk(port.isEmpty() ? m_controls.text(kPortList) : port);
  values[Idx::kBaud] = ToGbk(m_controls.text(kBaudRate));
  values[Idx::kFlow] = ToGbk(m_controls.text(kFlowControl));
  values[Idx::kInterval] = ToGbk(m_controls.text(kInterval));
  values[Idx::kCycleInterval] = ToGbk(page.text(StringsPageIds::kCycleInterval));
  values[Idx::kHexSend] = CheckValue(m_controls.checked(kHexInput));
  values[Idx::kTimedSend] = CheckValue(m_controls.checked(kTiming));
  values[Idx::kHexView] = CheckValue(m_controls.checked(kHexView));
  values[Idx::kEcho] = CheckValue(m_controls.checked(kEcho));
  values[Idx::kNewLine] = CheckValue(m_controls.checked(kNewLine));
  values[Idx::kRowsNewLine] = CheckValue(page.checked(kRowsNewLine));
  for (int n = 1; n <= kRows; ++n) {
    values[Idx::kFirstRowHex + n - 1] = CheckValue(page.checked(kFirstRowHex + n));
    values[Idx::kFirstRowText + n - 1] = ToGbk(page.text(kFirstRowText + n));
  }
  // The box keeps line breaks as "\n"; the file has CR LF, as a send does.
  values[Idx::kInput] = InputText();
  const AdvancedSettings advanced = advancedSettings();
  values[Idx::kMultiInstruction] = CheckValue(advanced.multiInstruction);
  values[Idx::kUtf8] = CheckValue(advanced.utf8);
  values[Idx::kInstructionDelay] = advanced.instructionDelay;

  std::string failedPath;
  int failedErrno = 0;
  if (WriteSettingsFile(m_options.settingsPath, WriteSettings(values), failedPath, failedErrno))
    return true;
  ReportSettingsWriteFailure(failedPath, failedErrno);
  return false;
}

void CZephynDlg::ReportSettingsWriteFailure(const std::string& path, int error) {
  // The window closes all the same: the user learns that the choices of this
  // run are not kept, and where and why.
  const QString file = QString::fromStdString(path);
  const QString reason = QString::fromStdString(FileErrorReason(error, m_language));
  const QString text = Text(TextId::kSettingsSaveFailed, m_language).arg(file, reason);
  Prompts().messageBox(this, text, AppTitle(), QMessageBox::Ok, QMessageBox::Warning);
}

std::optional<std::string> CZephynDlg::ReadFileAtStart(const std::string& path,
                                                       const std::string& fallback) const {
  // Only a regular file is opened, without waiting: a named pipe or a device
  // at the file's name cannot hold up the start. Anything but a missing file
  // is said, and the defaults stay.
  const SettingsRead read = ReadSettingsFile(path, fallback);
  if (!read.bytes && read.error != ENOENT) {
    const QString line = Text(TextId::kSettingsReadFailed, m_language)
                             .arg(QString::fromStdString(read.path),
                                  QString::fromStdString(FileErrorReason(read.error, m_language)));
    std::fprintf(stderr, "zephyn: %s\n", line.toUtf8().constData());
  }
  return read.bytes;
}

}  // namespace zephyn
