#include "serial/serial_config_linux.h"

#include <cerrno>

namespace zephyn {

namespace {

struct RateEntry {
  std::uint32_t rate;
  speed_t speed;
};

constexpr RateEntry kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// Custom rates are applied in a second step; until then the line runs at
// this rate rather than at B0, which would hang up the line.
constexpr speed_t kPlaceholderSpeed = B38400;

}  // namespace

speed_t StandardSpeed(std::uint32_t rate) {
  for (const RateEntry& entry : kStandardRates) {
    if (entry.rate == rate) return entry.speed;
  }
  return B0;
}

std::optional<SerialSettings> BuildSerialSettings(const termios& current,
                                                  const LineParams& params) {
  if (params.baudRate == 0 || params.baudRate > kMaxBaudRate) return std::nullopt;

  tcflag_t sizeFlag = 0;
  switch (params.byteSize) {
    case 5:
      sizeFlag = CS5;
      break;
    case 6:
      sizeFlag = CS6;
      break;
    case 7:
      sizeFlag = CS7;
      break;
    case 8:
      sizeFlag = CS8;
      break;
    default:
      return std::nullopt;
  }

  // Parity bits are generated and stripped by the line, but a byte received
  // with a parity error is passed on as it came (no INPCK), so no input byte
  // is replaced or lost.
  tcflag_t parityFlags = 0;
  switch (params.parity) {
    case 0:
      break;
    case 1:
      parityFlags = PARENB | PARODD;
      break;
    case 2:
      parityFlags = PARENB;
      break;
    case 3:
      parityFlags = PARENB | CMSPAR | PARODD;
      break;
    case 4:
      parityFlags = PARENB | CMSPAR;
      break;
    default:
      return std::nullopt;
  }

  tcflag_t stopFlag = 0;
  switch (params.stopBits) {
    case 0:
      break;
    case 2:
      stopFlag = CSTOPB;
      break;
    default:
      return std::nullopt;
  }

  SerialSettings out;
  out.tio = current;
  out.rate = params.baudRate;
  termios& tio = out.tio;
  cfmakeraw(&tio);
  // cfmakeraw leaves software flow control and the stick-parity bit alone.
  tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
  tio.c_cflag |= CLOCAL | CREAD | sizeFlag | parityFlags | stopFlag;
  if (params.flow & 1) tio.c_cflag |= CRTSCTS;
  // Reads return at once with whatever is buffered.
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;

  speed_t speed = StandardSpeed(params.baudRate);
  out.customRate = speed == B0;
  if (out.customRate) speed = kPlaceholderSpeed;
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  // The C library sets the input rate in the output bits; a separate input
  // rate the device had (a custom one, say) would stay in these and go on
  // applying. Cleared, the input runs at the output rate.
  tio.c_cflag &= ~CIBAUD;
  return out;
}

PortError PortErrorFromErrno(OpenStep step, int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return PortError::NotFound;
    case EACCES:
    case EPERM:
      return PortError::Permission;
    case EBUSY:
      return PortError::Busy;
    case EISDIR:  // a folder
    case ENOTTY:  // a file, a FIFO, /dev/null: no terminal settings to apply
      return PortError::NotSerial;
    default:
      break;
  }
  if (step == OpenStep::Lock && err == EWOULDBLOCK) return PortError::Busy;
  if (step == OpenStep::Configure && err == EINVAL) return PortError::Unsupported;
  return PortError::Failed;
}

}  // namespace zephyn
