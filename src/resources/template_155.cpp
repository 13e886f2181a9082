// Template 155: the advanced settings dialog. The English captions are
// longer than the Chinese ones, so the English template widens the
// multi-instruction controls and moves the interval's edit to the right.
#include "resources/dialog_template.h"

namespace zephyn {
namespace {

DialogTemplate Make(Language language) {
  using K = ControlKind;
  const bool en = language == Language::EnUS;
  return DialogTemplate{
      155,
      "高级设置",
      "Advanced settings",
      8,
      252,
      144,
      false,
      false,
      false,
      {
          {kStaticId, K::GroupBox, 0, "多指令设置", "Multi-instruction settings", 46, 17,
           en ? 150 : 130, 58},
          {1129, K::CheckBox, 0, "多指令", "Multi-instruction", 51, 29, en ? 80 : 37, 10},
          {kStaticId, K::Label, 0, "指令间隔:", "Instruction interval:", 50, 50, en ? 72 : 32, 8},
          {1128, K::Edit, kAutoHScroll | kBorder, "", "", en ? 124 : 84, 48, 40, 14},
          {kStaticId, K::Label, 0, "MS", "ms", en ? 167 : 127, 51, en ? 12 : 10, 8},
          {1135, K::CheckBox, 0, "UTF-8", "UTF-8", 47, 80, 36, 10},
          {1127, K::PushButton, 0, "确定", "OK", 47, 98, 50, 14},
          {1130, K::PushButton, 0, "取消", "Cancel", 110, 98, 50, 14},
      }};
}

}  // namespace

const DialogTemplate& Template155(Language language) {
  static const DialogTemplate zh = Make(Language::ZhCN);
  static const DialogTemplate en = Make(Language::EnUS);
  return language == Language::ZhCN ? zh : en;
}

}  // namespace zephyn
