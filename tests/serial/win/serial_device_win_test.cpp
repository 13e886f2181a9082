// The Windows serial device and port list. The device tests talk to a
// virtual module behind the COM port named by ZEPHYN_TEST_PORT ("COM5"),
// answering at 115200; without it they are skipped.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/port_list.h"
#include "serial/serial_config.h"
#include "serial/serial_device.h"
#include "serial/serial_device_win.h"

namespace zephyn {
namespace {

using namespace std::chrono_literals;

TEST(SystemErrorTest, EachCodeReadsAsItsKind) {
  const struct {
    DWORD code;
    PortError kind;
    int err;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, PortError::NotFound, ENOENT},
      {ERROR_PATH_NOT_FOUND, PortError::NotFound, ENOENT},
      {ERROR_DEVICE_REMOVED, PortError::NotFound, ENODEV},
      {ERROR_ACCESS_DENIED, PortError::Busy, EBUSY},
      {ERROR_SHARING_VIOLATION, PortError::Busy, EBUSY},
      {ERROR_INVALID_PARAMETER, PortError::Unsupported, EINVAL},
      {ERROR_INVALID_FUNCTION, PortError::NotSerial, ENOTTY},
      {ERROR_NOT_SUPPORTED, PortError::NotSerial, ENOTTY},
      {ERROR_GEN_FAILURE, PortError::Failed, EIO},
  };
  for (const auto& c : cases) {
    const SystemFailure failure = ClassifySystemError(c.code);
    EXPECT_EQ(failure.kind, c.kind) << c.code;
    EXPECT_EQ(failure.err, c.err) << c.code;
  }
}

TEST(PortListTest, AListEntryOpensThroughTheDeviceNamespace) {
  EXPECT_EQ(PortPath("COM3"), "\\\\.\\COM3");
  EXPECT_EQ(PortPath("COM12"), "\\\\.\\COM12");
  EXPECT_EQ(PortPath("\\\\.\\COM7"), "\\\\.\\COM7");
  EXPECT_EQ(PortPath("C:\\ports\\a"), "C:\\ports\\a");
}

// A key of its own below HKEY_LOCAL_MACHINE, filled as a serial driver
// fills the system's, and removed afterwards.
class FakePortKey {
 public:
  static constexpr const wchar_t* kPath = L"Software\\ZephynTest\\SERIALCOMM";
  FakePortKey() {
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key,
                      nullptr);
  }
  ~FakePortKey() {
    if (m_key != nullptr) ::RegCloseKey(m_key);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\ZephynTest");
  }
  bool ok() const { return m_key != nullptr; }
  void AddString(const wchar_t* name, const std::wstring& value) {
    ::RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  void AddNumber(const wchar_t* name, DWORD value) {
    ::RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                     sizeof value);
  }

 private:
  HKEY m_key = nullptr;
};

TEST(PortListTest, RegistryPortsComeInNaturalOrder) {
  const std::string root = "Software\\ZephynTest\\SERIALCOMM";
  {
    FakePortKey key;
    ASSERT_TRUE(key.ok());
    key.AddString(L"\\Device\\Serial10", L"COM10");
    key.AddString(L"\\Device\\Serial2", L"COM2");
    key.AddString(L"\\Device\\VCP0", L"COM1");
    key.AddNumber(L"\\Device\\Odd", 7);    // not a name: skipped
    key.AddString(L"\\Device\\Empty", L"");  // no name: skipped
    EXPECT_EQ(SystemSerialPorts(root), (std::vector<std::string>{"COM1", "COM2", "COM10"}));
  }
  // No serial driver, no key: no ports.
  EXPECT_TRUE(SystemSerialPorts(root).empty());
}

// Wine lets any number of openers have a COM port; Windows refuses all but
// the first.
bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

const char* TestPort() {
  const char* port = std::getenv("ZEPHYN_TEST_PORT");
  return port != nullptr && *port != '\0' ? port : nullptr;
}

LineParams At(std::uint32_t rate) {
  LineParams params;
  params.baudRate = rate;
  return params;
}

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestPort() == nullptr) GTEST_SKIP() << "ZEPHYN_TEST_PORT names no COM port";
    m_path = PortPath(TestPort());
  }

  // Reads with WaitAndRead until `expected` bytes came or 10 s passed: a
  // watchdog wakes the read then.
  static std::string ReadAnswer(SerialDevice& device, std::size_t expected) {
    std::string got;
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::thread watchdog([&] {
      std::unique_lock lock(mutex);
      if (!cv.wait_for(lock, 10s, [&] { return done; })) device.Wake();
    });
    while (got.size() < expected) {
      std::uint8_t buffer[64];
      std::size_t count = 0;
      if (device.WaitAndRead(buffer, sizeof buffer, &count) != SerialDevice::ReadEnd::Bytes)
        break;
      got.append(reinterpret_cast<const char*>(buffer), count);
    }
    {
      std::lock_guard lock(mutex);
      done = true;
    }
    cv.notify_one();
    watchdog.join();
    return got;
  }

  std::string m_path;
};

TEST_F(ModuleTest, TheSystemListsThePort) {
  const std::vector<std::string> ports = SystemSerialPorts(SystemPortsRoot());
  EXPECT_NE(std::find(ports.begin(), ports.end(), TestPort()), ports.end());
}

TEST(SleepTest, AClosedDeviceNeverSleeps) {
  SerialDevice device;
  EXPECT_FALSE(device.SleepUnlessWoken(1s));
}

TEST_F(ModuleTest, OpensAtItsRateAndTheModuleAnswers) {
  SerialDevice device;
  ASSERT_TRUE(device.Open(m_path, At(115200))) << static_cast<int>(device.LastError());
  EXPECT_EQ(device.Rate(), 115200u);

  const std::string command = "AT+NAME\r\n";
  std::size_t written = 0;
  ASSERT_EQ(device.Write(reinterpret_cast<const std::uint8_t*>(command.data()), command.size(),
                         SerialDevice::Clock::now() + 5s, &written),
            SerialDevice::WriteEnd::Done);
  EXPECT_EQ(written, command.size());
  // The module answers only at the rate it runs at: the answer shows the
  // rate took.
  const std::string answer = "+NAME=Zephyn-BT\r\nOK\r\n";
  EXPECT_EQ(ReadAnswer(device, answer.size()), answer);

  std::uint8_t byte = 0;
  std::size_t count = 0;
  EXPECT_EQ(device.ReadBuffered(&byte, 1, &count), SerialDevice::ReadEnd::Empty);
}

TEST_F(ModuleTest, WakeEndsAWaitAndEveryLaterOne) {
  SerialDevice device;
  ASSERT_TRUE(device.Open(m_path, At(115200)));
  EXPECT_TRUE(device.SleepUnlessWoken(1ms));

  SerialDevice::ReadEnd end = SerialDevice::ReadEnd::Bytes;
  std::thread reader([&] {
    std::uint8_t buffer[16];
    std::size_t count = 0;
    end = device.WaitAndRead(buffer, sizeof buffer, &count);
  });
  // The pause makes the wake most likely come while the read waits in the
  // driver; however the two fall, the read must end Woken.
  std::this_thread::sleep_for(100ms);
  device.Wake();
  reader.join();
  EXPECT_EQ(end, SerialDevice::ReadEnd::Woken);

  const auto start = SerialDevice::Clock::now();
  EXPECT_FALSE(device.SleepUnlessWoken(30s));
  std::uint8_t buffer[16];
  std::size_t count = 0;
  EXPECT_EQ(device.WaitAndRead(buffer, sizeof buffer, &count), SerialDevice::ReadEnd::Woken);
  EXPECT_LT(SerialDevice::Clock::now() - start, 10s);

  // Close ends the wake-up: the next Open starts unwoken.
  device.Close();
  ASSERT_TRUE(device.Open(m_path, At(115200)));
  EXPECT_TRUE(device.SleepUnlessWoken(1ms));
}

TEST_F(ModuleTest, RefusedOpensSayWhyAndLeaveNothingOpen) {
  SerialDevice first;
  ASSERT_TRUE(first.Open(m_path, At(115200)));

  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  const std::wstring file = std::wstring(folder) + L"zephyn-not-a-port.txt";
  ::CloseHandle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  char narrow[MAX_PATH * 3] = {};
  ::WideCharToMultiByte(CP_UTF8, 0, file.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);

  const struct {
    std::string path;
    std::uint32_t rate;
    PortError kind;
    int err;
  } cases[] = {
      {PortPath("COM199"), 115200, PortError::NotFound, ENOENT},
      {m_path, 115200, PortError::Busy, EBUSY},  // `first` has it
      {narrow, 115200, PortError::NotSerial, ENOTTY},
  };
  for (const auto& c : cases) {
    if (c.kind == PortError::Busy && UnderWine()) continue;
    SerialDevice device;
    EXPECT_FALSE(device.Open(c.path, At(c.rate))) << c.path;
    EXPECT_EQ(device.LastError(), c.kind) << c.path;
    EXPECT_EQ(device.LastErrno(), c.err) << c.path;
    EXPECT_FALSE(device.IsOpen());
  }
  ::DeleteFileW(file.c_str());

  // A rate no line runs at is refused, and the port stays usable.
  first.Close();
  SerialDevice device;
  EXPECT_FALSE(device.Open(m_path, At(0)));
  EXPECT_EQ(device.LastError(), PortError::Unsupported);
  EXPECT_TRUE(device.Open(m_path, At(115200)));
}

TEST_F(ModuleTest, ModemLinesAnswerOrRefuseAsAPseudoTerminalDoes) {
  SerialDevice device;
  ASSERT_TRUE(device.Open(m_path, At(115200)));
  unsigned lines = 0;
  const int read = device.ReadModemLines(&lines);
  const int set = device.SetModemLine(ModemSignal::Dtr, false);
  // A device without modem lines refuses with ENOTTY or EINVAL; one with
  // them shows DTR and RTS on after Open.
  if (read == 0) {
    EXPECT_EQ(lines & ModemBit(ModemSignal::Dtr), ModemBit(ModemSignal::Dtr));
    EXPECT_EQ(lines & ModemBit(ModemSignal::Rts), ModemBit(ModemSignal::Rts));
  } else {
    EXPECT_TRUE(read == ENOTTY || read == EINVAL) << read;
  }
  EXPECT_TRUE(set == 0 || set == ENOTTY || set == EINVAL) << set;
  EXPECT_EQ(device.SetModemLine(ModemSignal::Cts, true), EINVAL);
  device.Close();
  EXPECT_EQ(device.ReadModemLines(&lines), EBADF);
  EXPECT_EQ(device.SendBreak(), EBADF);
}

}  // namespace
}  // namespace zephyn
