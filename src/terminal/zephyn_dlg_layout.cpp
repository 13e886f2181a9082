// The window's layout: the status strip below the template's controls; at
// every change of the client size each control moves or stretches by its
// anchor, the side panel's pages are fitted into
// the tab control again and the link zones follow their labels. The window
// cannot be made smaller than 60 % of its start-up width and 58 % of its
// start-up height.
#include <QResizeEvent>
#include <QStyle>

#include "dialogs/dialog_builder.h"
#include "dialogs/tab_control.h"
#include "panels/more_str_send.h"
#include "panels/quick_send.h"
#include "resources/control_ids.h"
#include "resources/dialog_template.h"
#include "terminal/status_strip.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

double CZephynDlg::SidePanelUnit(Language language) {
  // The pages are drawn in their own, smaller font's units. The templates
  // were made for a system whose units grow faster from the pages' font to
  // the window's than a smoothly scaled font's do, so the window's unit is
  // widened where needed until its tab control holds each page whole, the
  // stored strings' scroll bar beside the rows.
  const ControlTemplate* tab = FindControl(Template102(language), kTabs);
  const int inset = 4;  // the page area's left and right margins
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  int widest = 0;
  for (const DialogTemplate* page : {&Template133(), &Template134(language)}) {
    const DialogUnits units(TemplateFont(page->fontPointSize));
    widest = std::max(widest, units.toX(page->width) + (page->vscroll ? bar : 0));
  }
  return (widest + inset) * 4.0 / tab->width;
}

void CZephynDlg::InitStatusStrip() {
  m_strip = new StatusStrip(
      m_language, [this](ModemLine line, bool on) { m_session.SetModemLine(line, on); }, this);
  m_strip->GrowParentBelow();
  m_controls.add(kStatusStrip, m_strip);
  // The capture's size is written at the refresh pace, from the refresher.
  m_controls.add(kStripCapture, m_strip->Capture());
  NameFollowsText(m_strip->Capture(), QString());
}

void CZephynDlg::InitLayout() {
  std::vector<LaidOutControl> controls;
  for (const ControlTemplate& c : Template102(m_language).controls) {
    if (c.id == kStaticId || !InLanguage(c, m_language)) continue;
    if (QWidget* w = m_controls.widget(c.id))
      controls.push_back({w, AnchorOf(c.id), w->geometry()});
  }
  if (m_strip != nullptr)
    controls.push_back({m_strip, AnchorOf(kStatusStrip), m_strip->geometry()});
  m_layout.Take(std::move(controls), size());
  // The minimum holds for every kind of resize, the user's drags included;
  // there is no other lower bound.
  const QRect initWindowRect = frameGeometry();
  setMinimumSize(int(initWindowRect.width() * 0.6), int(initWindowRect.height() * 0.58));
  TakeLinkZones();
}

void CZephynDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  // A minimized window keeps its layout, so that restoring it finds nothing
  // to move.
  if (windowState() & Qt::WindowMinimized) return;
  RelayoutControls();
}

void CZephynDlg::RelayoutControls() {
  // Size events that come while the window is being built find no controls.
  if (!m_layout.Follow(size())) return;
  if (auto* tab = qobject_cast<TabControl*>(m_controls.widget(kTabs))) {
    const QRect page = tab->pageRect();
    if (m_quickSend != nullptr) m_quickSend->setGeometry(page);
    if (m_moreStrSend != nullptr) m_moreStrSend->setGeometry(page);
  }
  TakeLinkZones();
  update();
}

}  // namespace zephyn
