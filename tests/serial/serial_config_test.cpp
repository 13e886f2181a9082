#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "serial/serial_config_linux.h"

namespace zephyn {
namespace {

// Settings a device might have before Open: cooked, echoing, software flow
// control, hang-up on close, 7E2 with RTS/CTS, an input rate of its own.
termios CookedSettings() {
  termios tio{};
  tio.c_iflag = ICRNL | IXON | IXOFF | IXANY | INPCK | ISTRIP;
  tio.c_oflag = OPOST | ONLCR;
  tio.c_cflag = CS7 | PARENB | CSTOPB | HUPCL | CRTSCTS | CMSPAR | CIBAUD;
  tio.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 5;
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  return tio;
}

TEST(SerialConfig, CallersSettingsGiveRaw8N1) {
  struct Case {
    std::uint32_t rate;
    int flow;
    speed_t speed;  // B0: needs the custom path
  };
  const Case cases[] = {
      {115200, 0, B115200}, {9600, 1, B9600}, {4000000, 0, B4000000}, {250000, 0, B0},
      {31250, 1, B0},       {1, 0, B0},       {115201, 0, B0},        {921600, 3, B921600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rate " << c.rate << " flow " << c.flow);
    const auto settings = BuildSerialSettings(CookedSettings(), {c.rate, 0, 8, 0, c.flow});
    ASSERT_TRUE(settings.has_value());
    const termios& tio = settings->tio;
    EXPECT_EQ(settings->rate, c.rate);
    EXPECT_EQ(settings->customRate, c.speed == B0);
    if (c.speed != B0) {
      EXPECT_EQ(cfgetospeed(&tio), c.speed);
      EXPECT_EQ(cfgetispeed(&tio), c.speed);
    } else {
      // Never B0 in between: that would hang up the line.
      EXPECT_NE(cfgetospeed(&tio), B0);
    }
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t{CS8});
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB | HUPCL), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
    EXPECT_EQ(tio.c_cflag & CIBAUD, 0u) << "input not at the output rate";
    EXPECT_EQ((tio.c_cflag & CRTSCTS) != 0, (c.flow & 1) != 0);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INPCK | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
  }
}

TEST(SerialConfig, LineParameters) {
  struct Case {
    std::uint8_t parity, byteSize, stopBits;
    tcflag_t expected;  // of CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
  };
  const Case cases[] = {
      {0, 8, 0, CS8},
      {1, 8, 0, CS8 | PARENB | PARODD},
      {2, 7, 0, CS7 | PARENB},
      {3, 8, 0, CS8 | PARENB | PARODD | CMSPAR},
      {4, 8, 0, CS8 | PARENB | CMSPAR},
      {0, 5, 2, CS5 | CSTOPB},
      {0, 6, 0, CS6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "parity " << int{c.parity} << " size " << int{c.byteSize}
                                    << " stop " << int{c.stopBits});
    const auto settings =
        BuildSerialSettings(CookedSettings(), {9600, c.parity, c.byteSize, c.stopBits, 0});
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->tio.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.expected);
    // A byte with a parity error is passed on, never replaced.
    EXPECT_EQ(settings->tio.c_iflag & (INPCK | PARMRK | IGNPAR), 0u);
  }
}

TEST(SerialConfig, RefusesWhatTheLineCannotDo) {
  const LineParams refused[] = {
      {0, 0, 8, 0, 0},               // rate 0
      {4'000'001, 0, 8, 0, 0},       // above the highest rate
      {4'294'967'291u, 0, 8, 0, 0},  // "-5" read as unsigned
      {9600, 5, 8, 0, 0},            // unknown parity
      {9600, 0, 9, 0, 0},            // nine data bits
      {9600, 0, 4, 0, 0},            //
      {9600, 0, 8, 1, 0},            // one and a half stop bits
      {9600, 0, 8, 3, 0},            //
  };
  for (const LineParams& params : refused) {
    SCOPED_TRACE(testing::Message()
                 << "rate " << params.baudRate << " parity " << int{params.parity} << " size "
                 << int{params.byteSize} << " stop " << int{params.stopBits});
    EXPECT_FALSE(BuildSerialSettings(CookedSettings(), params).has_value());
  }
}

TEST(SerialConfig, RateTextMustBeAWholeNumberInRange) {
  struct Case {
    const char* text;
    std::optional<std::uint32_t> rate;
  };
  const Case cases[] = {
      {"9600", 9600},
      {" 250000 ", 250000},
      {"1", 1},
      {"4000000", 4'000'000},
      {"0009600", 9600},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"Auto", std::nullopt},
      {"abc", std::nullopt},
      {"0", std::nullopt},
      {"-5", std::nullopt},
      {"+9600", std::nullopt},
      {"4000001", std::nullopt},
      {"99999999999", std::nullopt},
      {"9600abc", std::nullopt},
      {"96 00", std::nullopt},
      {"9600.0", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    EXPECT_EQ(ParseBaudRate(c.text), c.rate);
  }
}

TEST(SerialConfig, ErrnoToPortError) {
  struct Case {
    OpenStep step;
    int err;
    PortError expected;
  };
  const Case cases[] = {
      {OpenStep::Open, ENOENT, PortError::NotFound},
      {OpenStep::Open, ENODEV, PortError::NotFound},
      {OpenStep::Open, ENXIO, PortError::NotFound},
      {OpenStep::Configure, ENXIO, PortError::NotFound},
      {OpenStep::Open, EACCES, PortError::Permission},
      {OpenStep::Open, EPERM, PortError::Permission},
      {OpenStep::Open, EBUSY, PortError::Busy},  // another program set TIOCEXCL
      {OpenStep::Lock, EWOULDBLOCK, PortError::Busy},
      {OpenStep::Open, EWOULDBLOCK, PortError::Failed},
      {OpenStep::Configure, EINVAL, PortError::Unsupported},
      {OpenStep::Open, EINVAL, PortError::Failed},
      {OpenStep::Configure, ENOTTY, PortError::NotSerial},  // a file, a FIFO, /dev/null
      {OpenStep::Open, EISDIR, PortError::NotSerial},
      {OpenStep::Configure, EIO, PortError::Failed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "step " << static_cast<int>(c.step) << " errno " << std::strerror(c.err));
    EXPECT_EQ(PortErrorFromErrno(c.step, c.err), c.expected);
  }
}

}  // namespace
}  // namespace zephyn
