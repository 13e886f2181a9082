#include "resources/accessible_names.h"

namespace zephyn {
namespace {

struct Purpose {
  int templateId;
  int controlId;
  const char* zh;
  const char* en;
};

const Purpose kPurposes[] = {
    {102, 1107, "公众号二维码", "Account code picture"},
    {102, 1052, "标志横幅", "Logo banner"},
    {102, 10000, "发送输入框", "Input box"},
    {102, 1049, "接收区", "Receive pane"},
    {102, 1000, "发送计数", "TX counters"},
    {102, 1001, "接收计数", "RX counters"},
    {102, 1006, "串口", "COM"},
    {102, 1007, "波特率", "Baud"},
    {102, 1008, "流控", "Flow control"},
    {102, 1011, "定时发送间隔(毫秒)", "Timing interval (ms)"},
    {102, 1057, "公众号信息", "Account information"},
    {102, 1067, "指令面板", "Instruction panel"},
    {102, 1089, "文件发送进度", "File send progress"},
    {102, 1092, "默认按钮", "Default button"},
    {102, 1096, "指令面板占位", "Instruction panel placeholder"},
    {102, 1109, "发送速度", "TX speed"},
    {102, 1110, "接收速度", "RX speed"},
    {102, 1090, "文件发送百分比", "File send percentage"},
    {133, 1068, "设备名", "Name"},
    {133, 1070, "版本号", "Version"},
    {133, 1072, "MAC地址", "MAC"},
    {133, 1074, "波特率", "Baud"},
    {133, 1076, "配对码", "PIN"},
    {133, 1078, "新设备名", "New name"},
    {133, 1080, "新波特率", "New baud"},
    {133, 1082, "新配对码", "New PIN"},
    {133, 1093, "默认按钮", "Default button"},
    {134, 1072, "循环发送间隔(毫秒)", "Cycle interval (ms)"},
    {155, 1128, "指令间隔", "Instruction interval"},
    {157, 1133, "密码", "Password"},
};

}  // namespace

std::string ControlPurpose(int templateId, int controlId, Language language) {
  const bool zh = language == Language::ZhCN;
  if (templateId == 134 && controlId > 20000 && controlId <= 20120) {
    const std::string n = std::to_string(controlId - 20000);
    return zh ? "第" + n + "行指令" : "String " + n;
  }
  if (templateId == 134 && controlId > 21000 && controlId <= 21120) {
    const std::string n = std::to_string(controlId - 21000);
    return zh ? "第" + n + "行Hex" : "Hex " + n;
  }
  for (const Purpose& p : kPurposes)
    if (p.templateId == templateId && p.controlId == controlId) return zh ? p.zh : p.en;
  return {};
}

}  // namespace zephyn
