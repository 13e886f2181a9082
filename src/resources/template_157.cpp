// Template 157: the password dialog in front of the advanced settings. The
// English label is longer and starts further left.
#include "resources/dialog_template.h"

namespace zephyn {
namespace {

DialogTemplate Make(Language language) {
  using K = ControlKind;
  const bool en = language == Language::EnUS;
  return DialogTemplate{
      157,
      "密码验证",
      "Password",
      8,
      273,
      176,
      false,
      false,
      false,
      {
          {1134, K::Label, 0, "密码:", "Password:", en ? 33 : 51, 54, en ? 42 : 29, 8},
          {1133, K::Edit, kPassword | kAutoHScroll | kBorder, "", "", 77, 50, 83, 17},
          {1131, K::PushButton, 0, "确认", "OK", 67, 93, 40, 14},
          {1132, K::PushButton, 0, "取消", "Cancel", 114, 93, 41, 14},
      }};
}

}  // namespace

const DialogTemplate& Template157(Language language) {
  static const DialogTemplate zh = Make(Language::ZhCN);
  static const DialogTemplate en = Make(Language::EnUS);
  return language == Language::ZhCN ? zh : en;
}

}  // namespace zephyn
