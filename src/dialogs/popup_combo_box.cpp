#include "dialogs/popup_combo_box.h"

namespace zephyn {

void PopupComboBox::showPopup() {
  emit droppedDown();
  QComboBox::showPopup();
}

void PopupComboBox::hidePopup() {
  QComboBox::hidePopup();
  emit closedUp();
}

}  // namespace zephyn
