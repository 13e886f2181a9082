// The start-up sequence of the main window.

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
  InitTabs();
  ResetViewAndSendControls();
  InitStatusStrip();
  InitLayout();
  InitLinks();
  InitReceivePaneLook();
  InitPaneExtras();
  InitInputMenu();
  FillLists();
  // Empty pane, buffers and counters.
  Clear();
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
  m_controls.setRange(kProgress, 0, 1000);
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

}  // namespace zephyn
