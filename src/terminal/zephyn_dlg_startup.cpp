// The start-up sequence of the main window.
#include <unistd.h>

#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>

#include "common/text_ids.h"
#include "common/texts.h"
#include "dialogs/dialog_builder.h"
#include "dialogs/gbk_string.h"
#include "panels/more_str_send.h"
#include "resources/control_ids.h"
#include "resources/dialog_template.h"
#include "serial/com_port.h"
#include "serial/port_list.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

constexpr int kBaudRates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
constexpr int kIntervals[] = {10, 20, 50, 100, 200, 500, 1000, 2000};

}  // namespace

bool CZephynDlg::OnInitDialog() {
  if (m_initialised) return true;
  m_initialised = true;

  CreateControls();
  ResetState();
  InitTabs();
  ResetViewAndSendControls();
  InitLayout();
  InitLinks();
  InitReceivePaneLook();
  InitPaneExtras();
  FillLists();
  FillPortList();
  g_comPort.SetReceiver(
      [this](const std::uint8_t* bytes, std::uint32_t count) { OnReceived(bytes, count); });
  EnableSendControls(0);
  // Empty pane, buffers and counters; captures that runs which ended without
  // closing left behind are kept under a name of their own and told once.
  Clear();
  KeepCapturesOfEndedRuns();
  SetAdvancedSettings(AdvancedSettings{});
  RestoreLastSession();
  StartThreads();
  return true;
}

void CZephynDlg::CreateControls() {
  BuildDialog(Template102(m_language), m_language, this, m_controls, SidePanelUnit(m_language));
  ConnectHandlers();
  setWindowIcon(m_hIcon);
}

void CZephynDlg::ResetViewAndSendControls() {
  // Sent bytes are not shown in the receive pane, no multi-string cycle
  // runs and no file is on its way.
  m_controls.setChecked(kEcho, false);
  m_moreStrSend->StopCycle();
  m_controls.setValue(kProgress, 0);
}

void CZephynDlg::InitReceivePaneLook() {
  // Blue text, in a face that shows Chinese.
  auto* pane = qobject_cast<QPlainTextEdit*>(m_controls.widget(kReceivePane));
  if (pane == nullptr) return;
  QPalette palette = pane->palette();
  palette.setColor(QPalette::Text, QColor(0, 0, 255));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0, 0, 255));
  pane->setPalette(palette);
  QFont face = pane->font();
  face.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                    QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("AR PL UMing CN")});
  // Received text needs no shaping beyond one glyph per character; leaving
  // it out makes laying out and painting new lines cheaper.
  face.setStyleStrategy(QFont::PreferNoShaping);
  pane->setFont(face);
}

void CZephynDlg::ResetState() {
  m_fileTransferActive = 0;
  m_timedSendTimer = 0;
  m_baudProbeIndex = 0;
  m_fileClosing = 0;
  m_portWatchEnabled = 1;
  m_stopPortWatch = 0;
}

void CZephynDlg::FillLists() {
  m_controls.addItem(kBaudRate, Text(TextId::kAutoBaud));
  for (int rate : kBaudRates) m_controls.addItem(kBaudRate, QString::number(rate));
  m_controls.setCurSel(kBaudRate, 5);

  for (int ms : kIntervals) m_controls.addItem(kInterval, QString::number(ms));
  m_controls.setCurSel(kInterval, 4);

  // The list is sorted, so the two entries take their collation order:
  // position 0 is "no flow control" only where it sorts first.
  m_controls.addItem(kFlowControl, Text(TextId::kFlowOff));
  m_controls.addItem(kFlowControl, Text(TextId::kFlowOn));
  m_controls.setCurSel(kFlowControl, 0);
}

std::vector<std::string> CZephynDlg::EnumeratePorts(std::size_t capacity) const {
  // Port names are file-system names and stay UTF-8, the placeholder too.
  // A device given by path is listed while it exists, so that one that goes
  // away (a pseudo-terminal whose other end closed) leaves the list like an
  // unplugged adapter does.
  std::vector<std::string> present;
  for (const std::string& path : m_options.extraPorts)
    if (::access(path.c_str(), F_OK) == 0) present.push_back(path);
  return zephyn::EnumeratePorts(m_options.sysfsRoot, present, capacity,
                                LoadTextUtf8(TextId::kNoPort));
}

void CZephynDlg::FillPortList() {
  const std::vector<std::string> names = EnumeratePorts(256);
  // The watch remembers at most 50 names.
  m_portNames.clear();
  for (const std::string& name : names) {
    if (name.empty() || m_portNames.size() == 50) break;
    m_portNames.push_back(name);
  }

  const bool noPort = names.empty() || names.front() == LoadTextUtf8(TextId::kNoPort);
  for (int id : {kOpenClose, kBaudRate, kFlowControl, kSave}) m_controls.setEnabled(id, !noPort);
  if (noPort) {
    m_controls.addItem(kPortList, Text(TextId::kNoPort));
    m_controls.setCurSel(kPortList, 0);
    return;
  }
  for (const std::string& name : names) {
    if (name.empty()) break;
    m_controls.addItem(kPortList, QString::fromStdString(name));
  }
  if (m_controls.curSel(kPortList) < 0) m_controls.setCurSel(kPortList, 0);
}

}  // namespace zephyn
