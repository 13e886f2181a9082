// Template 134: the multi-string page, a scrolling column of 120 rows (text,
// hex check box, send button) under the cycle controls.
#include <string>

#include "resources/dialog_template.h"

namespace zephyn {
namespace {

inline constexpr int kRowCount = 120;

DialogTemplate MultiStringPage(Language language) {
  // The two languages' templates differ by one dialog unit in a few columns.
  const int shift = language == Language::ZhCN ? 1 : 0;
  DialogTemplate dialog{134, "", "", 8, 159, 1831, true, false, true, {}};
  auto& c = dialog.controls;
  c.push_back({1072, ControlKind::ComboEdit, 0, "", "", 2, 0, 44, 150});
  c.push_back({kStaticId, ControlKind::Label, 0, "ms", "ms", 49 + shift, 2, 10, 8});
  c.push_back({1094, ControlKind::CheckBox, 0, "发新行", "New line", 61 + shift, 2, 38, 10});
  c.push_back({1070, ControlKind::CheckBox, 0, "循环发送", "Send cycle", 100 + shift, 1, 50, 10});
  c.push_back({kStaticId, ControlKind::Label, 0, "指令", "String", 3, 15, 40, 8});
  c.push_back({kStaticId, ControlKind::Label, 0, "Hex  发送", "Hex  Send", 103 + shift, 15, 45, 8});
  for (int n = 1; n <= kRowCount; ++n) {
    const int y = 25 + 15 * (n - 1);
    const std::string number = std::to_string(n);
    c.push_back({20000 + n, ControlKind::Edit, kBorder | kAutoHScroll, "", "", 2, y, 104, 14});
    c.push_back({21000 + n, ControlKind::CheckBox, 0, "", "", 110, y + 2, 9, 10});
    c.push_back({22000 + n, ControlKind::PushButton, 0, number, number, 124, y, 20, 14});
  }
  return dialog;
}

}  // namespace

const DialogTemplate& Template134(Language language) {
  static const DialogTemplate zh = MultiStringPage(Language::ZhCN);
  static const DialogTemplate en = MultiStringPage(Language::EnUS);
  return language == Language::ZhCN ? zh : en;
}

}  // namespace zephyn
