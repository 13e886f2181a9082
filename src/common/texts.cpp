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

// The program's own messages, from kFirstMessage on. %1, %2 are filled in
// by the caller (a device path, a group, a rate, a system error).
constexpr std::array<Text, kMessageCount> kMessages = {{
    {"无法打开 %1：没有访问权限。\n请把当前用户加入“%2”组（例如 sudo usermod -aG %2 "
     "$USER），然后注销并重新登录。",
     "Cannot open %1: permission denied.\nAdd your user to the group \"%2\" (for example: "
     "sudo usermod -aG %2 $USER), then log out and log in again."},  // 1000
    {"无法打开 %1：设备正被其他程序使用。",
     "Cannot open %1: the device is in use by another program."},                     // 1001
    {"无法打开 %1：它不是串口设备。", "Cannot open %1: it is not a serial device."},  // 1002
    {"无法打开 %1：设备不存在。", "Cannot open %1: no such device."},                 // 1003
    {"无法打开 %1：设备不支持 %2 bit/s 的波特率。",
     "Cannot open %1: the device does not support the rate of %2 bit/s."},  // 1004
    {"无法打开 %1：波特率“%2”不是 1 到 4000000 之间的整数。",
     "Cannot open %1: the rate \"%2\" is not a whole number from 1 to 4000000."},  // 1005
    {"无法打开 %1：%2。", "Cannot open %1: %2."},                                  // 1006
    {"--port %1：设备不存在；它出现后会列入串口列表。",
     "--port %1: no such device; it is listed once it exists."},  // 1007
    {"无法打开 %1：没有访问权限。\n该设备只允许其所有者（%2）打开。要让其他用户使用它，请用 udev "
     "规则给它一个这些用户所在的组，例如在 /etc/udev/rules.d/99-serial.rules 中写入一行：\n"
     "KERNEL==\"%3\", GROUP=\"dialout\", MODE=\"0660\"\n"
     "然后重新插入设备，并把当前用户加入该组（sudo usermod -aG dialout $USER），注销并重新登录。",
     "Cannot open %1: permission denied.\nThe device allows only its owner (%2) to open it. To "
     "let other users open it, have udev give it a group they belong to, for example with the "
     "line\nKERNEL==\"%3\", GROUP=\"dialout\", MODE=\"0660\"\nin "
     "/etc/udev/rules.d/99-serial.rules; then plug the device in again and add your user to "
     "that group (sudo usermod -aG dialout $USER), then log out and log in again."},  // 1008
}};

// The session's lines in the receive pane, from kFirstNote on.
constexpr std::array<Text, kNoteCount> kNotes = {{
    {"[上次使用的串口 %1 不存在]", "[the saved port %1 is not present]"},  // 1100
    {"[上次使用的串口 %1 不存在，接入后自动打开]",
     "[the saved port %1 is not present; it opens when it appears]"},  // 1101
    {"[%1 已接入，%2 打开]", "[%1 appeared, opened %2]"},               // 1102
    {"[断开 %1，重新打开 %2]", "[disconnected %1, reopened %2]"},       // 1103
    {"[%1]", "[%1]"},                                                   // 1104
}};

std::atomic<Language> g_language{Language::EnUS};

const Text* Find(std::uint16_t id) {
  if (id < kTextCount) return &kTexts[id];
  if (id >= kFirstMessage && id - kFirstMessage < kMessageCount)
    return &kMessages[id - kFirstMessage];
  if (id >= kFirstNote && id - kFirstNote < kNoteCount) return &kNotes[id - kFirstNote];
  return nullptr;
}

std::string_view Utf8Text(std::uint16_t id, Language language) {
  const Text* text = Find(id);
  if (text == nullptr) return {};
  return language == Language::ZhCN ? text->zhCN : text->enUS;
}

// The GBK forms, converted once on first use. The static's initialisation is
// thread-safe and the tables are never written afterwards, so LoadText needs
// no lock.
struct GbkTexts {
  std::array<std::string, kTextCount + kMessageCount + kNoteCount> zhCN;
  std::array<std::string, kTextCount + kMessageCount + kNoteCount> enUS;
};

// The table's texts first, then the messages, then the notes.
std::size_t GbkIndex(std::uint16_t id) {
  if (id < kTextCount) return id;
  if (id < kFirstNote) return kTextCount + (id - kFirstMessage);
  return kTextCount + kMessageCount + (id - kFirstNote);
}

const GbkTexts& Gbk() {
  static const GbkTexts texts = [] {
    GbkTexts t;
    auto convert = [&t](std::size_t at, const Text& text) {
      t.zhCN[at] = Utf8ToGbkString(text.zhCN);
      t.enUS[at] = Utf8ToGbkString(text.enUS);
    };
    for (std::uint16_t id = 0; id < kTextCount; ++id) convert(id, kTexts[id]);
    for (std::uint16_t i = 0; i < kMessageCount; ++i) convert(kTextCount + i, kMessages[i]);
    for (std::uint16_t i = 0; i < kNoteCount; ++i)
      convert(kTextCount + kMessageCount + i, kNotes[i]);
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
  if (Find(id) == nullptr) return {};
  const GbkTexts& texts = Gbk();
  const std::size_t at = GbkIndex(id);
  return CurrentLanguage() == Language::ZhCN ? texts.zhCN[at] : texts.enUS[at];
}

std::string LoadTextUtf8(std::uint16_t id) {
  return LoadTextUtf8(id, CurrentLanguage());
}

std::string LoadTextUtf8(std::uint16_t id, Language language) {
  return std::string(Utf8Text(id, language));
}

std::string FillText(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] == '%' && next >= '1' && next <= '9' && std::size_t(next - '1') < args.size()) {
      out += args.begin()[next - '1'];
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

}  // namespace zephyn
