#include "panels/more_str_send.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

#include "common/instructions.h"
#include "common/text_ids.h"
#include "dialogs/dialog_builder.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "dialogs/timer_refused.h"
#include "resources/control_ids.h"
#include "resources/dialog_template.h"

namespace zephyn {

using namespace StringsPageIds;

namespace {

// Row pitch of the template, in dialog units: a line of the scroll bar, the
// arrow keys and the wheel move the rows by one row.
constexpr int kRowPitchDu = 15;

}  // namespace

CMoreStrSend::CMoreStrSend(Language language, MoreStrSendHost host, QWidget* parent)
    : QWidget(parent),
      m_host(std::move(host)),
      m_language(language),
      m_content(new QWidget(this)),
      m_scrollBar(new QScrollBar(Qt::Vertical, this)) {
  setObjectName(QStringLiteral("134"));
  setAccessibleName(Text(TextId::kStringsPageTitle));
  m_content->setObjectName(QStringLiteral("134content"));
  const DialogUnits units = BuildDialog(Template134(language), language, m_content, m_controls);
  setFont(m_content->font());
  m_scrollBar->setObjectName(QStringLiteral("134scroll"));
  m_scrollBar->setAccessibleName(Text(TextId::kScrollBarName, language));
  m_scrollBar->setSingleStep(units.toY(kRowPitchDu));
  m_scrollBar->setPageStep(200);
  connect(m_scrollBar, &QScrollBar::valueChanged, this,
          [this](int position) { m_content->move(0, -position); });
  // A row reached with Tab comes into view.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now != nullptr && m_content->isAncestorOf(now)) ScrollIntoView(now);
  });
}

void CMoreStrSend::InitPanel() {
  for (int ms = 10; ms <= 90; ms += 10) m_controls.addItem(kCycleInterval, QString::number(ms));
  for (int ms = 100; ms <= 1000; ms += 100) m_controls.addItem(kCycleInterval, QString::number(ms));
  m_controls.setCurSel(kCycleInterval, 9);
  UpdateScrollRange();

  // The check boxes answer the user's changes however they are made, and
  // none of the program's.
  for (int n = 1; n <= kRows; ++n) {
    m_controls.onUserToggled(kFirstHex + n - 1, this, [this, n](bool) { ToggleRowHex(n); });
    if (auto* send = qobject_cast<QAbstractButton*>(m_controls.widget(kFirstSend + n - 1)))
      connect(send, &QAbstractButton::clicked, this, [this, n] { SendRow(n); });
  }
  m_controls.onUserToggled(kCycle, this, [this](bool checked) { ToggleCycle(checked); });
}

void CMoreStrSend::ToggleRowHex(int n) {
  if (n < 1 || n > kRows) return;
  const int textId = kFirstText + n - 1;
  const std::string text = ToGbk(m_controls.text(textId));
  const std::string shown =
      m_controls.checked(kFirstHex + n - 1) ? StoredStringToHex(text) : StoredStringFromHex(text);
  m_controls.setText(textId, FromGbk(shown));
}

void CMoreStrSend::SendRow(int n) {
  if (n < 1 || n > kRows || !m_host.sendBytes) return;
  // An empty row is sent too: no bytes, or the line end alone. A closed
  // port takes nothing and says nothing.
  const Bytes bytes = StoredStringBytes(ToGbk(m_controls.text(kFirstText + n - 1)),
                                        m_controls.checked(kFirstHex + n - 1), RowEnd());
  m_host.sendBytes(bytes);
}

void CMoreStrSend::ToggleCycle(bool checked) {
  if (!checked) {
    StopCycle();
    return;
  }
  std::vector<StoredString> rows(kRows);
  for (int n = 1; n <= kRows; ++n) {
    rows[n - 1].text = ToGbk(m_controls.text(kFirstText + n - 1));
    rows[n - 1].hex = m_controls.checked(kFirstHex + n - 1);
  }
  // The interval reads like atoi: "abc" is 0, which the timer refuses.
  const int interval = LeadingInt(ToGbk(m_controls.text(kCycleInterval)));
  if (!m_host.startCycle) return;
  switch (m_host.startCycle(rows, RowEnd(), interval)) {
    case Cycle::Result::kStarted:
      // The page's controls and the window's follow the session's state.
      return;
    case Cycle::Result::kNoRows:
      m_controls.setChecked(kCycle, false);
      return;
    case Cycle::Result::kTimerRefused:
      // A cycle that cannot run is not shown as running: the box goes back
      // to unchecked, nothing else changes, and the user is told the range.
      m_controls.setChecked(kCycle, false);
      Prompts().messageBox(this, TimerRefusedText(m_language), AppTitle(), QMessageBox::Ok,
                           QMessageBox::Warning);
      return;
  }
}

std::string_view CMoreStrSend::RowEnd() const {
  if (!m_controls.checked(kNewLine)) return {};
  return LineEndBytes(m_host.lineEnd ? m_host.lineEnd() : LineEnd::kCrLf);
}

bool CMoreStrSend::CycleRunning() const {
  return m_host.cycleRunning && m_host.cycleRunning();
}

void CMoreStrSend::StopCycle() {
  if (m_host.stopCycle) m_host.stopCycle();
}

void CMoreStrSend::UpdateScrollRange() {
  // The range is what of the rows does not fit: with it the last row can be
  // scrolled fully into view at any font size and page height.
  m_scrollBar->setRange(0, std::max(0, m_content->height() - height()));
}

void CMoreStrSend::ScrollIntoView(QWidget* widget) {
  const QRect area(widget->mapTo(m_content, QPoint(0, 0)), widget->size());
  const int top = m_scrollBar->value();
  if (area.top() < top) {
    m_scrollBar->setValue(area.top());
  } else if (area.bottom() >= top + height()) {
    m_scrollBar->setValue(area.bottom() + 1 - height());
  }
}

void CMoreStrSend::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  m_scrollBar->setGeometry(width() - barWidth, 0, barWidth, height());
  UpdateScrollRange();
}

void CMoreStrSend::wheelEvent(QWheelEvent* event) {
  // The rows and boxes leave the wheel to the page, which scrolls as its
  // scroll bar does: the system's lines per notch, a row each. A fine wheel
  // collects its parts of a notch; a touchpad scrolls by its pixels.
  int delta = 0;
  if (!event->pixelDelta().isNull()) {
    delta = event->pixelDelta().y();
  } else {
    m_wheelAngle += event->angleDelta().y();
    const int notches = m_wheelAngle / 120;
    m_wheelAngle -= notches * 120;
    delta = notches * QApplication::wheelScrollLines() * m_scrollBar->singleStep();
  }
  m_scrollBar->setValue(m_scrollBar->value() - delta);
  event->accept();
}

void CMoreStrSend::keyPressEvent(QKeyEvent* event) {
  // Keys that a row's box or button leaves unused scroll the page; the
  // scroll bar stops at either end.
  switch (event->key()) {
    case Qt::Key_PageUp:
      m_scrollBar->triggerAction(QAbstractSlider::SliderPageStepSub);
      break;
    case Qt::Key_PageDown:
      m_scrollBar->triggerAction(QAbstractSlider::SliderPageStepAdd);
      break;
    case Qt::Key_Up:
      m_scrollBar->triggerAction(QAbstractSlider::SliderSingleStepSub);
      break;
    case Qt::Key_Down:
      m_scrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

}  // namespace zephyn
