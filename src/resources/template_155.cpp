// Template 155: the advanced settings dialog (Chinese only).
#include "resources/dialog_template.h"

namespace zephyn {

const DialogTemplate& Template155() {
  using K = ControlKind;
  static const DialogTemplate dialog{
      155,
      "高级设置",
      "高级设置",
      8,
      252,
      144,
      false,
      false,
      false,
      {
          {kStaticId, K::GroupBox, 0, "多指令设置", "多指令设置", 46, 17, 130, 58},
          {1129, K::CheckBox, 0, "多指令", "多指令", 51, 29, 37, 10},
          {kStaticId, K::Label, 0, "指令间隔:", "指令间隔:", 50, 50, 32, 8},
          {1128, K::Edit, kAutoHScroll | kBorder, "", "", 84, 48, 40, 14},
          {kStaticId, K::Label, 0, "MS", "MS", 127, 51, 10, 8},
          {1135, K::CheckBox, 0, "UTF-8", "UTF-8", 47, 80, 36, 10},
          {1127, K::PushButton, 0, "确定", "确定", 47, 98, 50, 14},
          {1130, K::PushButton, 0, "取消", "取消", 110, 98, 50, 14},
      }};
  return dialog;
}

}  // namespace zephyn
