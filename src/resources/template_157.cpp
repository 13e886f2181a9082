// Template 157: the password dialog in front of the advanced settings
// (Chinese only).
#include "resources/dialog_template.h"

namespace zephyn {

const DialogTemplate& Template157() {
  using K = ControlKind;
  static const DialogTemplate dialog{
      157,
      "密码验证",
      "密码验证",
      8,
      273,
      176,
      false,
      false,
      false,
      {
          {1134, K::Label, 0, "密码:", "密码:", 51, 54, 29, 8},
          {1133, K::Edit, kPassword | kAutoHScroll | kBorder, "", "", 77, 50, 83, 17},
          {1131, K::PushButton, 0, "确认", "确认", 67, 93, 40, 14},
          {1132, K::PushButton, 0, "取消", "取消", 114, 93, 41, 14},
      }};
  return dialog;
}

}  // namespace zephyn
