// zephyn-module run as a user runs it: started with its arguments, its
// device's path read from its output, talked to through that device, and
// ended with a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tools/module_language.h"

extern char** environ;

namespace zephyn {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Reads what `fd` gives until `stop` says the text is complete, the writer
// closes its end or `timeout` passes.
template <typename Stop>
std::string ReadUntil(int fd, std::chrono::milliseconds timeout, Stop stop) {
  std::string got;
  const auto deadline = Clock::now() + timeout;
  while (!stop(got)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

std::string ReadAll(int fd, std::chrono::milliseconds timeout) {
  return ReadUntil(fd, timeout, [](const std::string&) { return false; });
}

// The program running, with its standard output and error on pipes.
class ModuleProgram {
 public:
  // `environment` is added to this process's, replacing what it names; the
  // messages are English unless it says otherwise.
  explicit ModuleProgram(const std::vector<std::string>& arguments,
                         std::vector<std::string> environment = {}) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    if (::pipe2(err, O_CLOEXEC) != 0) {
      ::close(out[0]);
      ::close(out[1]);
      return;
    }
    std::vector<std::string> argv = {MODULE_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    environment.insert(environment.begin(), {"LC_ALL=C.UTF-8", "LANGUAGE="});
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) env.push_back(*entry);
    // A variable given replaces the one of the same name before it.
    for (const std::string& given : environment) {
      const std::string key = given.substr(0, given.find('=') + 1);
      std::erase_if(env, [&key](const std::string& text) { return text.rfind(key, 0) == 0; });
      env.push_back(given);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    const std::vector<char*> argp = Pointers(argv);
    const std::vector<char*> envp = Pointers(env);
    if (posix_spawn(&m_pid, argv[0].c_str(), &actions, nullptr, argp.data(), envp.data()) != 0)
      m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    m_out = out[0];
    m_err = err[0];
  }

  // Ends a program still running as a user would, so that it cleans up.
  ~ModuleProgram() {
    if (m_pid > 0) {
      Signal(SIGTERM);
      if (Finish() == -2) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
      }
    }
    if (m_out >= 0) ::close(m_out);
    if (m_err >= 0) ::close(m_err);
  }

  ModuleProgram(const ModuleProgram&) = delete;
  ModuleProgram& operator=(const ModuleProgram&) = delete;

  bool started() const { return m_pid > 0; }

  // The first line of its output, without the line end.
  std::string FirstLine() {
    const std::string got =
        ReadUntil(m_out, 10s, [](const std::string& text) { return text.find('\n') != text.npos; });
    return got.substr(0, got.find('\n'));
  }

  void Signal(int number) { ::kill(m_pid, number); }

  // Waits for the program to end: its exit status (-1 when a signal ended
  // it, -2 when it did not end in time), with the rest of its output.
  int Finish() {
    m_output += ReadAll(m_out, 10s);
    m_errors += ReadAll(m_err, 10s);
    const auto deadline = Clock::now() + 10s;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) return -2;
      std::this_thread::sleep_for(10ms);
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  const std::string& output() const { return m_output; }
  const std::string& errors() const { return m_errors; }

 private:
  static std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
  }

  pid_t m_pid = -1;
  int m_out = -1;
  int m_err = -1;
  std::string m_output;
  std::string m_errors;
};

// The terminal's side, raw at a given rate.
class Device {
 public:
  Device(const std::string& path, speed_t speed) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd >= 0) SetSpeed(speed);
  }
  ~Device() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  int fd() const { return m_fd; }

  void SetSpeed(speed_t speed) {
    termios tio{};
    ASSERT_EQ(tcgetattr(m_fd, &tio), 0);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&tio, speed);
    ASSERT_EQ(tcsetattr(m_fd, TCSANOW, &tio), 0);
  }

  // Sends `command` with CR LF and reads the answer: `want` bytes, or what
  // came within `timeout`.
  std::string Ask(const std::string& command, std::size_t want,
                  std::chrono::milliseconds timeout = 5s) {
    const std::string line = command + "\r\n";
    if (::write(m_fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return "";
    return ReadUntil(m_fd, timeout, [want](const std::string& got) { return got.size() >= want; });
  }

 private:
  int m_fd = -1;
};

const std::string kNameAnswer = "+NAME=Zephyn-BT\r\nOK\r\n";

TEST(ModuleProgram, AnswersOnItsDeviceUntilTerminated) {
  ModuleProgram program({});
  ASSERT_TRUE(program.started());
  const std::string path = program.FirstLine();
  ASSERT_FALSE(path.empty());
  Device device(path, B115200);
  ASSERT_GE(device.fd(), 0) << path;
  EXPECT_EQ(device.Ask("AT+NAME", kNameAnswer.size()), kNameAnswer);

  program.Signal(SIGTERM);
  EXPECT_EQ(program.Finish(), 0);
  EXPECT_EQ(program.errors(), "");
  struct stat info {};
  EXPECT_NE(::lstat(path.c_str(), &info), 0) << path << " is still there";
  // The terminal holding the device sees it hang up.
  pollfd p = {device.fd(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1);
  EXPECT_NE(p.revents & POLLHUP, 0);
  char byte = 0;
  EXPECT_LE(::read(device.fd(), &byte, 1), 0);
}

TEST(ModuleProgram, AnswersAtTheRateGivenOnly) {
  ModuleProgram program({"--rate=9600"});
  const std::string path = program.FirstLine();
  Device device(path, B115200);
  ASSERT_GE(device.fd(), 0) << path;
  EXPECT_EQ(device.Ask("AT+NAME", SIZE_MAX, 300ms), "") << "answered at 115200";
  device.SetSpeed(B9600);
  const std::string answer = "+BAUD=9600\r\nOK\r\n";
  EXPECT_EQ(device.Ask("AT+BAUD", answer.size()), answer);
}

TEST(ModuleProgram, LinkNamesTheDeviceUntilInterrupted) {
  std::string folder = (std::filesystem::temp_directory_path() / "module-link-XXXXXX").string();
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  struct Removal {
    std::string folder;
    ~Removal() { std::filesystem::remove_all(folder); }
  } removal{folder};
  const std::string link = folder + "/module";
  {
    ModuleProgram program({"--link", link});
    const std::string path = program.FirstLine();
    ASSERT_FALSE(path.empty()) << program.errors();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::canonical(link), std::filesystem::canonical(path));
    Device device(link, B115200);
    ASSERT_GE(device.fd(), 0);
    EXPECT_EQ(device.Ask("AT", 4), "OK\r\n");

    program.Signal(SIGINT);
    EXPECT_EQ(program.Finish(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  }
  {
    // What is already at the path stays as it was; the program ends.
    std::ofstream(link) << "mine";
    ModuleProgram program({"--link", link});
    EXPECT_EQ(program.Finish(), 1);
    EXPECT_EQ(program.output(), "");
    EXPECT_NE(program.errors().find(link), std::string::npos) << program.errors();
    std::ifstream kept(link);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "mine");
  }
}

TEST(ModuleProgram, AnswersItsCommandLine) {
  struct Case {
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
    int status;
    const char* output;  // expected in its standard output
    const char* errors;  // expected in its standard error
  };
  const Case cases[] = {
      {{"--help"}, {}, 0, "--rate N", ""},
      {{"-h"}, {}, 0, "--link PATH", ""},
      {{"--version"}, {}, 0, "zephyn-module " ZEPHYN_VERSION "\n", ""},
      {{"-v"}, {}, 0, "zephyn-module " ZEPHYN_VERSION "\n", ""},
      {{"--rate"}, {}, 2, "", "option '--rate' needs a value"},
      {{"--rate", "0"}, {}, 2, "", "'0' is not a baud rate"},
      {{"--rate", "96OO"}, {}, 2, "", "'96OO' is not a baud rate"},
      {{"--rate", "-9600"}, {}, 2, "", "'-9600' is not a baud rate"},
      {{"--rate", "4294967296"}, {}, 2, "", "'4294967296' is not a baud rate"},
      {{"--link="}, {}, 2, "", "option '--link' needs a value"},
      {{"--baud", "9600"}, {}, 2, "", "unknown option '--baud'"},
      {{"/dev/ttyS0"}, {}, 2, "", "unexpected argument '/dev/ttyS0'"},
      {{"--bogus"}, {"LANGUAGE=zh_CN:en"}, 2, "", "未知选项“--bogus”"},
  };
  for (const Case& c : cases) {
    const std::string shown = ::testing::PrintToString(c.arguments);
    ModuleProgram program(c.arguments, c.environment);
    EXPECT_EQ(program.Finish(), c.status) << shown;
    EXPECT_NE(program.output().find(c.output), std::string::npos) << shown << program.output();
    EXPECT_NE(program.errors().find(c.errors), std::string::npos) << shown << program.errors();
    if (c.status != 0) {
      EXPECT_EQ(program.output(), "") << shown;
    }
  }
}

TEST(ModuleProgram, LanguageFollowsTheUsersChoice) {
  struct Case {
    const char* list;
    const char* locale;
    Language expected;
  };
  const Case cases[] = {
      {"", "zh_CN.UTF-8", Language::ZhCN},
      {"", "zh_SG.UTF-8", Language::ZhCN},
      {"", "zh", Language::ZhCN},
      {"", "zh_TW.UTF-8", Language::EnUS},
      {"", "zh_HK.UTF-8", Language::EnUS},
      {"", "en_US.UTF-8", Language::EnUS},
      {"", "", Language::EnUS},
      {"zh_CN:en", "en_US.UTF-8", Language::ZhCN},
      {"en_GB:zh_CN", "zh_CN.UTF-8", Language::EnUS},
      {"zh_CN", "C", Language::EnUS},  // the list counts outside "C" only
      {"zh_CN", "", Language::EnUS},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ModuleLanguageFor(c.list, c.locale), c.expected) << c.list << " / " << c.locale;
}

}  // namespace
}  // namespace zephyn
