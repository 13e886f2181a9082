// The maker's links: the web address label and the banner open the home
// page on a plain left click, with the hand cursor strictly inside them; the
// About-us button opens the about page. Addresses go through the prompt
// service, so tests see them instead of a browser.
#include <QAbstractButton>
#include <QMouseEvent>
#include <QPalette>

#include "dialogs/prompt_service.h"
#include "resources/control_ids.h"
#include "resources/maker_info.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

// Takes the hand cursor back when the mouse goes from a zone straight onto
// a control: the window hears nothing of a mouse over its controls, and they
// would show its cursor.
class CursorReset : public QObject {
 public:
  explicit CursorReset(QWidget* window) : QObject(window), m_window(window) {}

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Enter) m_window->unsetCursor();
    return false;
  }

 private:
  QWidget* m_window;
};

}  // namespace

void CZephynDlg::InitLinks() {
  if (QWidget* web = m_controls.widget(kWebAddress)) {
    QPalette palette = web->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    web->setPalette(palette);
  }
  if (auto* about = qobject_cast<QAbstractButton*>(m_controls.widget(kAbout)))
    connect(about, &QAbstractButton::clicked, this, [this] { OnAbout(); });
  // Labels, pictures and frames let the mouse through to the window, which
  // hears its moves everywhere but over the other controls.
  setMouseTracking(true);
  auto* reset = new CursorReset(this);
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!child->testAttribute(Qt::WA_TransparentForMouseEvents)) child->installEventFilter(reset);
}

void CZephynDlg::TakeLinkZones() {
  m_layout.TakeLinkZones(m_controls.widget(kWebAddress), m_controls.widget(kBanner));
}

void CZephynDlg::mouseMoveEvent(QMouseEvent* event) {
  if (m_layout.OverLink(event->position().toPoint())) {
    setCursor(Qt::PointingHandCursor);
  } else {
    unsetCursor();
  }
  QDialog::mouseMoveEvent(event);
}

void CZephynDlg::mousePressEvent(QMouseEvent* event) {
  // Only a plain left click: no other button held, neither Shift nor Ctrl.
  const bool plainLeft = event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton &&
                         !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
  if (plainLeft && m_layout.OverLink(event->position().toPoint()))
    Prompts().openUrl(QString::fromUtf8(kMakerHomePage));
  QDialog::mousePressEvent(event);
}

void CZephynDlg::leaveEvent(QEvent* event) {
  unsetCursor();
  QDialog::leaveEvent(event);
}

void CZephynDlg::OnAbout() {
  Prompts().openUrl(QString::fromUtf8(kMakerAboutPage));
}

}  // namespace zephyn
