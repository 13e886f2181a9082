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
    // The find bar's names and captions.
    {"查找栏", "Find bar"},                 // 42
    {"查找内容", "Find what"},              // 43
    {"查找", "Find"},                       // 44
    {"十六进制", "Hex"},                    // 45
    {"上一个", "Previous"},                 // 46
    {"下一个", "Next"},                     // 47
    {"匹配数", "Matches"},                  // 48
    {"关闭查找栏", "Close the find bar"},   // 49
    {"不是十六进制字节", "Not hex bytes"},  // 50
    {"无匹配", "No matches"},               // 51
    // The receive pane's menu.
    {"接收区菜单", "Receive pane menu"},                               // 52
    {"查找...", "Find..."},                                            // 53
    {"显示时间戳", "Timestamps"},                                      // 54
    {"设备重新接入时自动打开串口", "Reopen when the device returns"},  // 55
    {"停止记录", "Stop logging"},                                      // 56
    {"记录到文件...", "Log to file..."},                               // 57
    {"记录时加时间戳", "Log with timestamps"},                         // 58
    // File choosers: a title and filters.
    {"记录到文件", "Log to file"},  // 59
    {"记录文件 (*.log *.txt *.bin);;所有文件 (*)",
     "Log files (*.log *.txt *.bin);;All files (*)"},  // 60
    {"All (*)", "All (*)"},                            // 61
    // Boxes and names without anything to fill in.
    {"取消", "Cancel"},                                                                // 62
    {"指令数超过最大限制数!", "The number of instructions exceeds the limit of 20!"},  // 63
    {"请输入正确的密码!", "Please enter the correct password!"},                       // 64
    {"滚动条", "Scroll bar"},                                                          // 65
    // Why a user's file could not be used, where the system's words fall short.
    {"这不是普通文件（而是文件夹、设备或命名管道）",
     "not a regular file (a folder, a device or a named pipe)"},  // 66
    {"文件是只读的", "the file is read-only"},                    // 67
    // The command line's help.
    {"蓝牙串口模块的串口终端", "Serial terminal for Bluetooth serial modules"},  // 68
    {"把 PATH 处的串口设备列入串口列表（可重复）。",
     "List the serial device at PATH (repeatable)."},  // 69
    {"运行一个虚拟蓝牙模块（115200 bit/s）并把它列为串口。",
     "Run a virtual Bluetooth module (at 115200 bit/s) and list it as a port."},  // 70
    {"虚拟模块无法启动", "the virtual module could not be started"},              // 71
    // The input box's menu.
    {"输入框菜单", "Input box menu"},                   // 72
    {"换行符：CR LF (\\r\\n)", "New line: CR LF (\\r\\n)"},  // 73
    {"换行符：CR (\\r)", "New line: CR (\\r)"},            // 74
    {"换行符：LF (\\n)", "New line: LF (\\n)"},            // 75
    {"同时记录发送的数据", "Log sent data too"},                                  // 76
    {"发送中断信号", "Send break"},                                                // 77
    // zephyn-module's help, and the hint after a refusal.
    {"用法：zephyn-module [--rate 速率] [--link 路径]\n"
     "在伪终端上模拟一个蓝牙串口模块：输出设备路径，以给定的波特率应答 AT 指令，\n"
     "一直运行到收到 SIGINT 或 SIGTERM 为止，随后设备消失。\n"
     "\n"
     "  --rate 速率     以该波特率应答（默认 115200）\n"
     "  --link 路径     另建一个指向设备的符号链接，退出时删除；\n"
     "                  该路径已存在时不覆盖，程序结束\n"
     "  -h, --help      显示本帮助并退出\n"
     "  -v, --version   显示版本并退出\n",
     "Usage: zephyn-module [--rate N] [--link PATH]\n"
     "A virtual Bluetooth serial module on a pseudo-terminal: prints the device's\n"
     "path, answers AT commands at the given rate and runs until SIGINT or SIGTERM,\n"
     "when the device goes away.\n"
     "\n"
     "  --rate N        answer at N bit/s (default 115200)\n"
     "  --link PATH     also make a symbolic link PATH to the device, removed at\n"
     "                  exit; an existing PATH is left alone and the program ends\n"
     "  -h, --help      show this help and exit\n"
     "  -v, --version   show the version and exit\n"},  // 78
    {"请运行“zephyn-module --help”查看用法。", "Try 'zephyn-module --help'."},  // 79
}};

// The program's own messages, from kFirstMessage on. %1, %2 are filled in
// by the caller (a path, a count, a reason: text_ids.h says which).
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
    // The find bar's count: which match of how many; how many.
    {"第 %1 个，共 %2 个", "%1 of %2"},  // 1009
    {"共 %1 个", "%1 matches"},          // 1010
    // An amount of bytes (%1).
    {"%1 字节", "%1 bytes"},  // 1011
    // Captures of runs that ended without closing; %1: their paths, a line each.
    {"之前的运行未正常结束，它接收的数据保存在：\n%1\n"
     "本程序不会删除这些文件，不再需要时请自行删除。",
     "An earlier run ended without closing. The data it received is kept "
     "in:\n%1\nZephyn does not delete these files; remove them when you "
     "no longer need them."},  // 1012
    // The save's progress box; %1: the folder.
    {"正在保存到 %1", "Saving to %1"},  // 1013
    // A save that lacks received bytes; %1: the folder, %2: how many bytes,
    // %3 to %4: the first gap; %5: how many gaps follow it.
    {"已保存到 %1，但其中缺少接收到的 %2 字节：接收数据文件无法写入，"
     "且为接收数据保留的内存已满。缺少的是接收数据的第 %3 至第 %4 字节。",
     "Saved to %1, but %2 received bytes are missing from it: the "
     "received-data file could not be written and the memory set aside "
     "for received data was full. Missing are bytes %3 to %4 of what was "
     "received."},  // 1014
    {"已保存到 %1，但其中缺少接收到的 %2 字节：接收数据文件无法写入，"
     "且为接收数据保留的内存已满。缺少的是接收数据的第 %3 至第 %4 字节，其后另有 %5 处缺失。",
     "Saved to %1, but %2 received bytes are missing from it: the "
     "received-data file could not be written and the memory set aside "
     "for received data was full. Missing are bytes %3 to %4 of what was "
     "received, and %5 more gaps after them."},  // 1015
    // Received data dropped; %1: the memory set aside, %2: the bytes dropped.
    {"为接收数据保留的内存（%1）已满，接收数据文件仍无法写入："
     "最早的 %2 字节已被丢弃。保存时会说明缺少哪些字节。",
     "The memory set aside for received data (%1) is full and the "
     "received-data file still cannot be written: the oldest %2 bytes "
     "were dropped. Save will say which bytes are missing."},  // 1016
    // Files that could not be written or read; %1: the file, %2: the reason.
    {"无法写入文件 %1：%2", "Cannot write the file %1: %2"},  // 1017
    {"无法写入接收数据文件 %1：%2\n数据暂存在内存中（最多 %3），"
     "文件可写后即写入；超出后最早的数据会被丢弃，届时会另行提示。",
     "Cannot write the received-data file %1: %2\nThe data is kept in "
     "memory (up to %3) and written as soon as the file can be "
     "written; past that the oldest data is dropped, and you are told."},  // 1018: %3 the memory
    {"无法写入记录文件 %1：%2\n记录已停止。",
     "Cannot write the log file %1: %2\nLogging has stopped."},  // 1019
    {"无法保存设置文件 %1：%2\n本次的设置不会保留。",
     "Cannot save the settings file %1: %2\nThe settings of this run "
     "are not kept."},                                                               // 1020
    {"无法读取 %1：%2；使用默认设置。", "cannot read %1: %2; using the defaults."},  // 1021
    // A file too large to send; %1: the file, %2: its size, %3: the most.
    {"无法发送 %1：文件有 %2 字节。要发送的文件须小于 2 GiB"
     "（最多 %3 字节），并且能放入内存。",
     "Cannot send %1: the file has %2 bytes. A file to send must be smaller "
     "than 2 GiB (at most %3 bytes) and fit in memory."},  // 1022
    // A refused timer interval; %1 to %2: the intervals accepted.
    {"定时器无法以此间隔运行：间隔须为 %1 到 %2 之间的整数毫秒。",
     "The timer cannot run at this interval: the interval must be a whole "
     "number of milliseconds from %1 to %2."},  // 1023
    // A break the device refused; %1: the system's reason.
    {"无法发送中断信号：%1。", "Cannot send a break: %1."},  // 1024
    // zephyn-module's refusals; %1: the option, argument or value at fault.
    {"zephyn-module：未知选项“%1”", "zephyn-module: unknown option '%1'"},     // 1025
    {"zephyn-module：选项“%1”需要一个值", "zephyn-module: option '%1' needs a value"},  // 1026
    {"zephyn-module：“%1”不是波特率（应为 1 到 4294967295 的整数）",
     "zephyn-module: '%1' is not a baud rate (a whole number from 1 to 4294967295)"},  // 1027
    {"zephyn-module：多余的参数“%1”", "zephyn-module: unexpected argument '%1'"},  // 1028
    // %1: the system's reason.
    {"zephyn-module：无法创建伪终端：%1",
     "zephyn-module: cannot create a pseudo-terminal: %1"},  // 1029
    // %1: the link's path, %2: the system's reason.
    {"zephyn-module：无法创建链接“%1”：%2", "zephyn-module: cannot make the link '%1': %2"},  // 1030
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

// The status strip's texts, from kFirstStripText on.
constexpr std::array<Text, kStripTextCount> kStripTexts = {{
    {"状态栏", "Status bar"},                                        // 1200
    {"已关闭", "closed"},                                            // 1201
    {"正在打开", "opening"},                                         // 1202
    {"已打开", "open"},                                              // 1203
    {"正在关闭", "closing"},                                         // 1204
    {"已断开", "lost"},                                              // 1205
    {"已断开，接入后重新打开", "lost, reopens when it returns"},     // 1206
    {"正在检测波特率", "detecting the rate"},                        // 1207
    {"%1：%2", "%1: %2"},                                            // 1208
    {"串口", "Port"},                                                // 1209
    {"%1 8N1，无流控", "%1 8N1, no flow control"},                   // 1210
    {"%1 8N1，CTS 流控", "%1 8N1, CTS flow control"},                // 1211
    {"线路设置", "Line settings"},                                   // 1212
    {"%1：开", "%1: on"},                                            // 1213
    {"%1：关", "%1: off"},                                           // 1214
    {"%1：不可用", "%1: unavailable"},                               // 1215
    {"%1：未知", "%1: unknown"},                                     // 1216
    {"单击或按空格键切换 %1", "Click or press Space to switch %1"},  // 1217
    {"RTS 由 CTS 流控使用", "RTS belongs to the CTS flow control"},  // 1218
    {"正在记录到 %1", "Logging to %1"},                              // 1219
    {"接收记录：%1", "Capture: %1"},                                 // 1220
}};

std::atomic<Language> g_language{Language::EnUS};

const Text* Find(std::uint16_t id) {
  if (id < kTextCount) return &kTexts[id];
  if (id >= kFirstMessage && id - kFirstMessage < kMessageCount)
    return &kMessages[id - kFirstMessage];
  if (id >= kFirstNote && id - kFirstNote < kNoteCount) return &kNotes[id - kFirstNote];
  if (id >= kFirstStripText && id - kFirstStripText < kStripTextCount)
    return &kStripTexts[id - kFirstStripText];
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
  static constexpr std::size_t kCount = kTextCount + kMessageCount + kNoteCount + kStripTextCount;
  std::array<std::string, kCount> zhCN;
  std::array<std::string, kCount> enUS;
};

// The table's texts first, then the messages, then the notes, then the
// strip's texts.
std::size_t GbkIndex(std::uint16_t id) {
  if (id < kTextCount) return id;
  if (id < kFirstNote) return kTextCount + (id - kFirstMessage);
  if (id < kFirstStripText) return kTextCount + kMessageCount + (id - kFirstNote);
  return kTextCount + kMessageCount + kNoteCount + (id - kFirstStripText);
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
    for (std::uint16_t i = 0; i < kStripTextCount; ++i)
      convert(kTextCount + kMessageCount + kNoteCount + i, kStripTexts[i]);
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
