// A combo box that reports when its list drops down and when it closes up,
// so the port watch can hold back while the user is choosing a port.
#pragma once

#include <QComboBox>

namespace zephyn {

class PopupComboBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;

  void showPopup() override;
  void hidePopup() override;

 signals:
  void droppedDown();
  void closedUp();
};

}  // namespace zephyn
