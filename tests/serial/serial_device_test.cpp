#include "serial/serial_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "serial/serial_config.h"
#include "sim/virtual_module.h"
#include "support/fake_modem_calls.h"

namespace zephyn {
namespace {

using namespace std::chrono_literals;
using Clock = SerialDevice::Clock;

// A pseudo-terminal whose master side nobody reads: what the device writes
// stays there until the line is full, and nothing ever arrives.
class SilentLine {
 public:
  SilentLine() : m_master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    char name[128];
    if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0 &&
        ptsname_r(m_master, name, sizeof name) == 0)
      m_path = name;
  }
  ~SilentLine() {
    if (m_master >= 0) close(m_master);
  }
  SilentLine(const SilentLine&) = delete;
  SilentLine& operator=(const SilentLine&) = delete;

  const std::string& path() const { return m_path; }

 private:
  int m_master;
  std::string m_path;
};

LineParams At(std::uint32_t rate) {
  LineParams params;
  params.baudRate = rate;
  return params;
}

TEST(SerialDevice, ReadsBackTheRateItSet) {
  for (const std::uint32_t rate : {9600u, 115200u, 921600u, 250000u, 31250u}) {
    SCOPED_TRACE(rate);
    VirtualModule module(rate);
    ASSERT_TRUE(module.ok());
    SerialDevice device;
    ASSERT_TRUE(device.Open(module.path(), At(rate)));
    EXPECT_EQ(device.Rate(), rate);
    EXPECT_EQ(module.terminalRate(), rate);
    device.Close();
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(device.Rate(), 0u);
  }
}

TEST(SerialDevice, OpenIsExclusiveAndAFailedOneHoldsNothing) {
  VirtualModule module;
  ASSERT_TRUE(module.ok());
  SerialDevice first;
  SerialDevice second;
  // A rate the line cannot run at is refused before anything is taken.
  EXPECT_FALSE(first.Open(module.path(), At(0)));
  EXPECT_EQ(first.LastError(), PortError::Unsupported);
  EXPECT_FALSE(first.IsOpen());

  ASSERT_TRUE(first.Open(module.path(), At(9600)));
  EXPECT_FALSE(second.Open(module.path(), At(9600)));
  EXPECT_EQ(second.LastError(), PortError::Busy);
  EXPECT_FALSE(second.IsOpen());
  first.Close();
  EXPECT_TRUE(second.Open(module.path(), At(9600)));
}

TEST(SerialDevice, WakeEndsEveryWaitAndEveryLaterOne) {
  // Enough to fill the line, so that the write has to wait for room.
  const std::vector<std::uint8_t> block(1 << 20, 0x55);
  struct Case {
    const char* what;
    // True when the wait ended because of Wake.
    std::function<bool(SerialDevice&)> wait;
  };
  const Case cases[] = {
      {"a read waiting for bytes",
       [](SerialDevice& device) {
         std::uint8_t buffer[64];
         std::size_t count = 0;
         return device.WaitAndRead(buffer, sizeof buffer, &count) == SerialDevice::ReadEnd::Woken;
       }},
      {"a sleep", [](SerialDevice& device) { return !device.SleepUnlessWoken(60s); }},
      {"a write the full line holds back",
       [&block](SerialDevice& device) {
         std::size_t written = 0;
         return device.Write(block.data(), block.size(), Clock::now() + 60s, &written) ==
                SerialDevice::WriteEnd::Woken;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SilentLine line;
    SerialDevice device;
    ASSERT_TRUE(device.Open(line.path(), At(115200)));
    auto waiting = std::async(std::launch::async, [&] { return c.wait(device); });
    device.Wake();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(waiting.get());
    auto later = std::async(std::launch::async, [&] { return c.wait(device); });
    ASSERT_EQ(later.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(later.get());
  }
}

TEST(SerialDevice, WriteStopsAtItsDeadlineWithWhatTheLineTook) {
  SilentLine line;
  SerialDevice device;
  ASSERT_TRUE(device.Open(line.path(), At(115200)));
  const std::vector<std::uint8_t> block(1 << 20, 0xAA);
  std::size_t written = 0;
  EXPECT_EQ(device.Write(block.data(), block.size(), Clock::now() + 100ms, &written),
            SerialDevice::WriteEnd::TimedOut);
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, block.size());
}

TEST(SerialDevice, GoneDeviceFailsReadsAndWrites) {
  VirtualModule module;
  ASSERT_TRUE(module.ok());
  SerialDevice device;
  ASSERT_TRUE(device.Open(module.path(), At(9600)));
  std::uint8_t buffer[64];
  std::size_t count = 0;
  EXPECT_EQ(device.ReadBuffered(buffer, sizeof buffer, &count), SerialDevice::ReadEnd::Empty);

  module.unplug();
  EXPECT_EQ(device.WaitAndRead(buffer, sizeof buffer, &count), SerialDevice::ReadEnd::Failed);
  const std::uint8_t byte = 'A';
  std::size_t written = 0;
  EXPECT_EQ(device.Write(&byte, 1, Clock::now() + 1s, &written), SerialDevice::WriteEnd::Failed);
  EXPECT_EQ(written, 0u);
}

// A pseudo-terminal has no modem lines: it refuses them with ENOTTY, which
// neither stops the open nor the transfer; its break is taken. A closed
// device refuses everything with EBADF.
TEST(SerialDevice, APseudoTerminalRefusesTheModemLinesButTakesABreak) {
  VirtualModule module;
  ASSERT_TRUE(module.ok());
  SerialDevice device;
  unsigned lines = 1;
  EXPECT_EQ(device.ReadModemLines(&lines), EBADF);
  EXPECT_EQ(device.SetModemLine(ModemSignal::Dtr, true), EBADF);
  EXPECT_EQ(device.SendBreak(), EBADF);

  ASSERT_TRUE(device.Open(module.path(), At(9600)));
  EXPECT_EQ(device.ReadModemLines(&lines), ENOTTY);
  EXPECT_EQ(lines, 0u);
  EXPECT_EQ(device.SetModemLine(ModemSignal::Dtr, false), ENOTTY);
  EXPECT_EQ(device.SetModemLine(ModemSignal::Rts, true), ENOTTY);
  EXPECT_EQ(device.SendBreak(), 0);
}

TEST(SerialDevice, ModemLinesMapToTheSystemsBits) {
  VirtualModule module;
  ASSERT_TRUE(module.ok());
  FakeModemCalls fake;
  SerialDevice device;
  ASSERT_TRUE(device.Open(module.path(), At(9600)));
  // Opening asserts both outputs in one call.
  EXPECT_EQ(fake.Calls(), (std::vector<FakeModemCalls::Call>{{TIOCMBIS, TIOCM_DTR | TIOCM_RTS}}));

  // Each line read alone, then all six with bits the terminal has no use
  // for (TIOCM_LE, TIOCM_ST).
  const std::pair<int, ModemSignal> table[] = {
      {TIOCM_DTR, ModemSignal::Dtr}, {TIOCM_RTS, ModemSignal::Rts}, {TIOCM_CTS, ModemSignal::Cts},
      {TIOCM_DSR, ModemSignal::Dsr}, {TIOCM_CAR, ModemSignal::Dcd}, {TIOCM_RNG, ModemSignal::Ri}};
  int all = TIOCM_LE | TIOCM_ST;
  for (const auto& [bit, signal] : table) {
    SCOPED_TRACE(bit);
    all |= bit;
    fake.SetLines(bit);
    unsigned lines = 0;
    ASSERT_EQ(device.ReadModemLines(&lines), 0);
    EXPECT_EQ(lines, ModemBit(signal));
  }
  fake.SetLines(all);
  unsigned lines = 0;
  ASSERT_EQ(device.ReadModemLines(&lines), 0);
  EXPECT_EQ(lines, (1u << kModemSignalCount) - 1);

  // Setting and clearing each output is one request for its bit alone; an
  // input cannot be set.
  const std::vector<FakeModemCalls::Call> before = fake.Calls();
  EXPECT_EQ(device.SetModemLine(ModemSignal::Dtr, false), 0);
  EXPECT_EQ(device.SetModemLine(ModemSignal::Dtr, true), 0);
  EXPECT_EQ(device.SetModemLine(ModemSignal::Rts, false), 0);
  EXPECT_EQ(device.SetModemLine(ModemSignal::Rts, true), 0);
  EXPECT_EQ(device.SetModemLine(ModemSignal::Cts, true), EINVAL);
  EXPECT_EQ(device.SendBreak(), 0);
  const std::vector<FakeModemCalls::Call> calls = fake.Calls();
  EXPECT_EQ(
      std::vector<FakeModemCalls::Call>(calls.begin() + std::ptrdiff_t(before.size()), calls.end()),
      (std::vector<FakeModemCalls::Call>{{TIOCMBIC, TIOCM_DTR},
                                         {TIOCMBIS, TIOCM_DTR},
                                         {TIOCMBIC, TIOCM_RTS},
                                         {TIOCMBIS, TIOCM_RTS},
                                         {TCSBRK, 0}}));
}

TEST(SerialDevice, ARefusedModemCallGivesTheDevicesErrno) {
  VirtualModule module;
  ASSERT_TRUE(module.ok());
  FakeModemCalls fake(TIOCM_CTS);
  SerialDevice device;
  ASSERT_TRUE(device.Open(module.path(), At(9600)));
  fake.RefuseRequest(TIOCMGET, EIO);
  fake.RefuseLine(TIOCM_RTS, EPERM);
  fake.RefuseRequest(TCSBRK, ENODEV);
  unsigned lines = 1;
  EXPECT_EQ(device.ReadModemLines(&lines), EIO);
  EXPECT_EQ(lines, 0u);
  EXPECT_EQ(device.SetModemLine(ModemSignal::Rts, false), EPERM);
  EXPECT_EQ(device.SetModemLine(ModemSignal::Dtr, false), 0);
  EXPECT_EQ(device.SendBreak(), ENODEV);
  device.Close();

  // Opening fails only when asserting the outputs fails for another reason
  // than a device without modem lines.
  fake.RefuseLine(TIOCM_RTS, 0);
  for (const auto& [error, opens] : {std::pair{ENOTTY, true}, {EINVAL, true}, {EIO, false}}) {
    SCOPED_TRACE(error);
    fake.RefuseRequest(TIOCMBIS, error);
    EXPECT_EQ(device.Open(module.path(), At(9600)), opens);
    if (!opens) {
      EXPECT_EQ(device.LastErrno(), EIO);
    }
    device.Close();
  }
}

}  // namespace
}  // namespace zephyn
