#include "dialogs/tab_control.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>

namespace zephyn {

TabControl::TabControl(QWidget* parent) : QWidget(parent), m_tabBar(new QTabBar(this)) {
  m_tabBar->setDrawBase(false);
  m_tabBar->setExpanding(false);
}

QRect TabControl::pageRect() const {
  return rect().adjusted(2, 30, -2, -2);
}

void TabControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_tabBar->setGeometry(0, 0, width(), m_tabBar->sizeHint().height());
}

void TabControl::paintEvent(QPaintEvent*) {
  // The frame of the page area, joined to the tab row as a tab widget draws it.
  QStylePainter painter(this);
  QStyleOptionTabWidgetFrame option;
  option.initFrom(this);
  const int top = m_tabBar->sizeHint().height() - 1;
  option.rect = rect().adjusted(0, top, 0, 0);
  option.tabBarSize = m_tabBar->sizeHint();
  option.shape = m_tabBar->shape();
  option.tabBarRect = m_tabBar->geometry();
  option.selectedTabRect = m_tabBar->tabRect(m_tabBar->currentIndex());
  painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
}

}  // namespace zephyn
