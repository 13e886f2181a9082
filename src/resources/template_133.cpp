// Template 133: the AT command page, eight rows of a box and a button. The
// buttons' run-time captions come from the text table and replace these.
#include "resources/dialog_template.h"

namespace zephyn {

const DialogTemplate& Template133() {
  static const DialogTemplate page = [] {
    DialogTemplate dialog{133, "", "", 8, 160, 135, true, false, false, {}};
    struct Row {
      const char* zh;
      const char* en;
      int y;
    };
    const Row rows[8] = {
        {"设备名", "Name", 0},
        {"版本号", "Version", 17},
        {"设备地址", "MAC", 34},
        {"波特率", "Baud", 50},
        {"配对码", "PIN", 67},
        {"修改设备名", "Modify name", 84},
        {"修改波特率", "Modify baud", 101},
        {"修改配对码", "Modify PIN", 118},
    };
    for (int i = 0; i < 8; ++i) {
      // The five query rows show the module's answers and cannot be edited.
      const std::uint32_t boxStyle = kBorder | kAutoHScroll | (i < 5 ? kReadOnly : 0u);
      dialog.controls.push_back(
          {1068 + 2 * i, ControlKind::Edit, boxStyle, "", "", 2, rows[i].y, 103, 14});
      dialog.controls.push_back({1069 + 2 * i, ControlKind::PushButton, 0, rows[i].zh, rows[i].en,
                                 108, rows[i].y, 50, 14});
    }
    // Takes Return pressed in a box; its command does nothing.
    dialog.controls.push_back(
        {1093, ControlKind::PushButton, kDefault | kHidden | kDisabled, "", "", 150, 127, 8, 7});
    return dialog;
  }();
  return page;
}

}  // namespace zephyn
