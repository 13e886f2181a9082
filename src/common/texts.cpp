#include "common/texts.h"

#include <array>
#include <atomic>
#include <string_view>

#include "common/code_page.h"

namespace zephyn {

namespace {

struct Text {
  std::string_view zhCN;
  std::string_view enUS;
};

// UTF-8, exactly as the program shows them. Several are compared with
// captions to read state back (the open/close button's two captions among
// them), so a caption is always set from this table and compared with it.
constexpr std::array<Text, kTextCount> kTexts = {{
    {"○ 打开串口", "○ Open"},                                                             // 0
    {"■ 关闭串口", "■ Close"},                                                            // 1
    {"确定", "OK"},                                                                       // 2
    {"串口", "COM"},                                                                      // 3
    {"请插入串口", "None"},                                                               // 4
    {"断开连接", "Disconnect"},                                                           // 5
    {"已连接", "Connected"},                                                              // 6
    {"通讯失败", "Failed"},                                                               // 7
    {"速率", "Speed"},                                                                    // 8
    {"字节", "byte"},                                                                     // 9
    {"自动适配", "Auto"},                                                                 // 10
    {"发送", "Send"},                                                                     // 11
    {"停止", "Stop"},                                                                     // 12
    {"对不起！长度超范围。", "Overrun"},                                                  // 13
    {"超范围", "Overrun"},                                                                // 14
    {"标准指令", "Instruction"},                                                          // 15
    {"设备名", "Name"},                                                                   // 16
    {"版本号", "Version"},                                                                // 17
    {"MAC地址", "MAC"},                                                                   // 18
    {"波特率", "Baud"},                                                                   // 19
    {"配对码", "PIN"},                                                                    // 20
    {"修改设备名", "Modify name"},                                                        // 21
    {"修改波特率", "Modify baud"},                                                        // 22
    {"修改配对码", "Modify PIN"},                                                         // 23
    {"自定义数据", "Customized"},                                                         // 24
    {"自定义指令", "Custom code"},                                                        // 25
    {"文件保存完成", "Save finish"},                                                      // 26
    {"秒", "s"},                                                                          // 27
    {"发送文件", "Send File"},                                                            // 28
    {"请选择文件", "Please select file"},                                                 // 29
    {"未选择文件", "No file"},                                                            // 30
    {"暂停发送", "Pause"},                                                                // 31
    {"打开文件失败", "Failed to open file"},                                              // 32
    {"敬请期待", "Stay tuned for"},                                                       // 33
    {"待更新", "To be updated"},                                                          // 34
    {"有", "Have"},                                                                       // 35
    {"无", "No"},                                                                         // 36
    {"用时", "Time"},                                                                     // 37
    {"文件发送已停止", "Send stop"},                                                      // 38
    {"文件发送已完成", "Send file finish"},                                               // 39
    {"请选择存储路径", "Please select file path"},                                        // 40
    {"Sorry! 你要的这个传输速度我做不到（T.T）", "Sorry! It's too fast,I can't do it."},  // 41
}};

std::atomic<Language> g_language{Language::EnUS};

std::string_view Utf8Text(std::uint16_t id, Language language) {
  if (id >= kTextCount) return {};
  return language == Language::ZhCN ? kTexts[id].zhCN : kTexts[id].enUS;
}

// The GBK forms, converted once on first use. The static's initialisation is
// thread-safe and the tables are never written afterwards, so LoadText needs
// no lock.
struct GbkTexts {
  std::array<std::string, kTextCount> zhCN;
  std::array<std::string, kTextCount> enUS;
};

const GbkTexts& Gbk() {
  static const GbkTexts texts = [] {
    GbkTexts t;
    for (std::uint16_t id = 0; id < kTextCount; ++id) {
      t.zhCN[id] = Utf8ToGbkString(kTexts[id].zhCN);
      t.enUS[id] = Utf8ToGbkString(kTexts[id].enUS);
    }
    return t;
  }();
  return texts;
}

}  // namespace

void SetLanguage(Language language) {
  g_language.store(language);
}

Language CurrentLanguage() {
  return g_language.load();
}

std::string LoadText(std::uint16_t id) {
  if (id >= kTextCount) return {};
  const GbkTexts& texts = Gbk();
  return CurrentLanguage() == Language::ZhCN ? texts.zhCN[id] : texts.enUS[id];
}

std::string LoadTextUtf8(std::uint16_t id) {
  return LoadTextUtf8(id, CurrentLanguage());
}

std::string LoadTextUtf8(std::uint16_t id, Language language) {
  return std::string(Utf8Text(id, language));
}

}  // namespace zephyn
