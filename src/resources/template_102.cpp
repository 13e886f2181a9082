// Template 102: the main window. The table holds the Chinese template with
// both captions; the English template is the same table with the differences
// listed below applied.
#include "resources/dialog_template.h"
#include "resources/maker_info.h"

namespace zephyn {
namespace {

using K = ControlKind;

DialogTemplate ChineseTemplate() {
  return DialogTemplate{
      102,
      "Zephyn串口助手 V1.6.6",
      "Zephyn V1.6.5(Test)",
      9,
      506,
      329,
      false,
      true,
      false,
      {
          {1107, K::Picture, kAlignCenter, "", "", 403, 236, 59, 58, ":/images/bitmap130.png"},
          {1052, K::Picture, kAlignCenter | kTransparent, "", "", 373, 4, 129, 13,
           ":/images/bitmap135.png"},
          {1047, K::CheckBox, 0, "Hex", "Hex", 301, 7, 29, 10},
          {1045, K::CheckBox, 0, "回显", "RX&&TX", 334, 7, 28, 10},
          {10001, K::PushButton, 0, "发送", "Send", 321, 218, 38, 21},
          {10000, K::Edit, kMultiline | kWantReturn | kVScroll | kBorder, "", "", 7, 220, 309, 84},
          {10002, K::CheckBox, 0, "Hex", "Hex", 322, 251, 44, 10},
          {10003, K::CheckBox, 0, "定时发送", "Timing", 322, 277, 40, 10},
          {10004, K::PushButton, 0, "文件", "File", 6, 309, 38, 14},
          {10005, K::PushButton, kDisabled, "发送文件", "Send file", 279, 309, 38, 14},
          {10006, K::PushButton, kDisabled, "停止发送", "Stop send", 321, 309, 38, 14},
          {1049, K::RichEdit, kMultiline | kReadOnly | kVScroll | kVScrollAlways | kBorder, "", "",
           4, 35, 355, 164},
          {1065, K::Label, 0, "TX:", "TX:", 7, 7, 14, 12},
          {1000, K::Edit, kDisabled | kStaticEdge, "", "", 21, 7, 122, 12},
          {1066, K::Label, 0, "RX:", "RX:", 148, 7, 20, 12},
          {1001, K::Edit, kDisabled | kStaticEdge, "", "", 168, 7, 122, 12},
          {1062, K::Label, 0, "串口", "COM", 7, 204, 15, 8},
          {1006, K::ComboList, 0, "", "", 23, 202, 53, 105},
          {1063, K::Label, kAlignRight, "波特率", "Baud", 80, 204, 23, 8},
          {1007, K::ComboEdit, kDisabled, "", "", 107, 202, 52, 185},
          {1064, K::Label, kAlignRight, "流控", "FlowCtl", 160, 204, 18, 8},
          {1008, K::ComboList, kSorted | kDisabled, "", "", 181, 202, 49, 105},
          {1011, K::ComboEdit, 0, "", "", 321, 292, 38, 143},
          {1057, K::GroupBox, 0, "", "", 362, 215, 140, 109},
          {1060, K::Label, kAlignCenter, kMakerNameZh, kMakerNameEn, 390, 297, 92, 8},
          {1058, K::Label, kAlignCenter, "微信公众号", "Wechat Official Account", 385, 224, 96, 8},
          {1042, K::Label, kAlignCenter, kMakerWebAddress, kMakerWebAddress, 385, 310, 91, 8},
          {1067, K::Tab, 0, "", "", 362, 18, 141, 180},
          {1089, K::Progress, kSmooth | kBorder | kDisabled, "", "", 51, 309, 199, 15},
          {1092, K::PushButton, kDefault | kHidden | kDisabled, "", "", 506, 322, 8, 7},
          {1095, K::CheckBox, kHidden, "应答模式", "Reply", 280, 258, 39, 10},
          {1096, K::Label, kHidden, "  ", "  ", 406, 78, 47, 8},
          {1053, K::PushButton, kNotify | kDisabled, "○ 打开串口", "○ Open", 235, 201, 38, 14},
          {1009, K::PushButton, kDisabled, "保存数据", "Save", 278, 201, 38, 14},
          {1010, K::PushButton, 0, "清除数据", "Clear", 321, 201, 38, 14},
          {1125, K::PushButton, 0, "高级设置", "", 362, 201, 68, 14, nullptr, kZhOnly},
          {10016, K::PushButton, 0, "", "Developer option", 362, 201, 68, 14, nullptr, kEnOnly},
          {1105, K::PushButton, 0, "关于我们", "About us", 436, 201, 67, 14},
          {1106, K::CheckBox, 0, "发送新行", "New line", 322, 264, 39, 10},
          {kStaticId, K::Label, 0, "发送速度:", "TX Speed:", 6, 23, 35, 8},
          {1109, K::Label, 0, "0 字节/秒", "0 bytes/s", 42, 23, 64, 8},
          {kStaticId, K::Label, 0, "接收速度:", "RX Speed:", 148, 23, 35, 8},
          {1110, K::Label, 0, "0 字节/秒", "0 bytes/s", 184, 23, 75, 8},
          {1118, K::Label, kDisabled, "请选择文件", "Please select file", 53, 312, 193, 8},
          {1090, K::Label, kAlignCenter, "0.0%", "0.0%", 251, 312, 27, 8},
          {1123, K::CheckBox, kHidden, "CTS", "CTS", 299, 22, 29, 10},
          {1124, K::CheckBox, kHidden, "多指令", "", 322, 240, 38, 10, nullptr, kZhOnly},
      }};
}

// Where the English template differs from the Chinese one.
struct EnglishDifference {
  int id;
  int x, y, width, height;  // -1 keeps the Chinese value
  int setStyle = 0;
  int clearStyle = 0;
};

const EnglishDifference kEnglishDifferences[] = {
    {1047, 294, 7, 39, 10},
    {1045, 327, 7, 35, 10},
    {10001, 321, 218, 38, 25},
    {10002, 322, 248, -1, -1},
    {10003, 322, 277, 43, 10},
    {1049, -1, -1, -1, 163},
    {1063, 79, 204, 18, 8},
    {1007, 100, 202, -1, -1},
    {1064, 154, 204, 25, 8, kHidden},
    {1008, 182, 202, -1, -1, kHidden},
    {1060, 395, 297, 76, 8},
    {1106, 322, 263, -1, -1},
    {1123, 293, 22, -1, -1, 0, kHidden},
};

DialogTemplate EnglishTemplate() {
  DialogTemplate dialog = ChineseTemplate();
  for (const EnglishDifference& diff : kEnglishDifferences) {
    for (ControlTemplate& control : dialog.controls) {
      if (control.id != diff.id) continue;
      if (diff.x >= 0) control.x = diff.x;
      if (diff.y >= 0) control.y = diff.y;
      if (diff.width >= 0) control.width = diff.width;
      if (diff.height >= 0) control.height = diff.height;
      control.style = (control.style | diff.setStyle) & ~std::uint32_t(diff.clearStyle);
    }
  }
  return dialog;
}

}  // namespace

const DialogTemplate& Template102(Language language) {
  static const DialogTemplate zh = ChineseTemplate();
  static const DialogTemplate en = EnglishTemplate();
  return language == Language::ZhCN ? zh : en;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
  for (const ControlTemplate& control : dialog.controls)
    if (control.id == id) return &control;
  return nullptr;
}

}  // namespace zephyn
