// The side panel's tab control: a row of tabs over a framed area that hosts
// child pages. Pages are children of this widget and are placed by their
// owner inside pageRect().
#pragma once

#include <QTabBar>
#include <QWidget>

namespace zephyn {

class TabControl : public QWidget {
  Q_OBJECT

 public:
  explicit TabControl(QWidget* parent = nullptr);

  QTabBar* tabBar() const { return m_tabBar; }

  // The control's client rectangle with its top moved down by 30 pixels and
  // the other edges moved in by 2: where the pages sit below the tabs.
  QRect pageRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QTabBar* m_tabBar;
};

}  // namespace zephyn
