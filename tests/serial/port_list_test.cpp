#include "serial/port_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <filesystem>
#include <fstream>

namespace zephyn {
namespace {

namespace fs = std::filesystem;

// A fake sysfs: <root>/class/tty holds the tty entries. Most of them are laid
// out as the kernel does it, a link into <root>/devices whose "device" link
// leads to a hardware node whose "driver" link names the driver; some are
// plain directories, as a copied tree would have them.
class FakeSysfs {
 public:
  FakeSysfs() {
    char templ[] = "/tmp/zephyn-sysfs-XXXXXX";
    m_root = mkdtemp(templ);
    fs::create_directories(tty());
  }
  ~FakeSysfs() {
    std::error_code ec;
    fs::remove_all(m_root, ec);
  }

  std::string tty() const { return (m_root / "class" / "tty").string(); }

  // A tty whose device is bound to `driver` ("" for a device with none);
  // `type` is the serial-core "type" attribute when not empty.
  void AddLinked(const std::string& name, const std::string& driver, const std::string& type = "") {
    const fs::path node = m_root / "devices" / name;
    const fs::path hw = m_root / "hw" / name;
    fs::create_directories(node);
    fs::create_directories(hw);
    if (!driver.empty()) {
      fs::create_directories(m_root / "drivers" / driver);
      fs::create_directory_symlink("../../drivers/" + driver, hw / "driver");
    }
    fs::create_directory_symlink("../../hw/" + name, node / "device");
    if (!type.empty()) std::ofstream(node / "type") << type << "\n";
    fs::create_directory_symlink("../../devices/" + name, fs::path(tty()) / name);
  }

  // A plain directory entry, with device/driver as directories when `bound`.
  void AddPlain(const std::string& name, bool bound) {
    const fs::path entry = fs::path(tty()) / name;
    fs::create_directories(bound ? entry / "device" / "driver" : entry);
  }

 private:
  fs::path m_root;
};

using Names = std::vector<std::string>;

TEST(PortList, TakesBoundDevicesAndBluetoothPortsInNaturalOrder) {
  FakeSysfs sys;
  sys.AddLinked("ttyS0", "serial", "4");      // a real UART
  sys.AddLinked("ttyS1", "serial8250", "0");  // a placeholder without UART
  sys.AddLinked("ttyS10", "serial8250", "4");
  sys.AddLinked("ttyUSB10", "ftdi_sio");
  sys.AddLinked("ttyUSB2", "cp210x");
  sys.AddLinked("ttyUSB5", "");  // device present, no driver bound
  sys.AddLinked("ttyACM0", "cdc_acm");
  sys.AddPlain("ttyAMA0", true);
  sys.AddPlain("rfcomm0", false);  // bound Bluetooth port, not yet connected
  sys.AddPlain("tty1", false);     // virtual consoles and the like
  sys.AddPlain("console", false);
  sys.AddPlain("ptmx", false);

  EXPECT_EQ(SystemSerialPorts(sys.tty()),
            (Names{"rfcomm0", "ttyACM0", "ttyAMA0", "ttyS0", "ttyS10", "ttyUSB2", "ttyUSB10"}));
}

TEST(PortList, PlaceholderOnlyWhenNothingAtAll) {
  FakeSysfs sys;
  sys.AddPlain("tty1", false);
  EXPECT_EQ(EnumeratePorts(sys.tty(), {}, 256, "None"), Names{"None"});
  EXPECT_EQ(EnumeratePorts("/nonexistent/zephyn/tty", {}, 256, "None"), Names{"None"});
  // Ports given by path stand on their own: no placeholder beside them.
  EXPECT_EQ(EnumeratePorts("/nonexistent/zephyn/tty", {"/dev/pts/3"}, 256, "None"),
            Names{"/dev/pts/3"});
}

TEST(PortList, ExtraPortsFirstAsGivenThenSysfsWithinCapacity) {
  FakeSysfs sys;
  sys.AddLinked("ttyUSB1", "cp210x");
  sys.AddLinked("ttyUSB0", "cp210x");
  sys.AddLinked("ttyACM3", "cdc_acm");
  const Names extra = {"/dev/pts/9", "/dev/pts/2"};

  EXPECT_EQ(EnumeratePorts(sys.tty(), extra, 50, "None"),
            (Names{"/dev/pts/9", "/dev/pts/2", "ttyACM3", "ttyUSB0", "ttyUSB1"}));
  EXPECT_EQ(EnumeratePorts(sys.tty(), extra, 3, "None"),
            (Names{"/dev/pts/9", "/dev/pts/2", "ttyACM3"}));
  EXPECT_EQ(EnumeratePorts(sys.tty(), extra, 1, "None"), Names{"/dev/pts/9"});
  EXPECT_EQ(EnumeratePorts(sys.tty(), {}, 2, "None"), (Names{"ttyACM3", "ttyUSB0"}));
  EXPECT_TRUE(EnumeratePorts(sys.tty(), extra, 0, "None").empty());
}

TEST(PortList, RealSysfsHasNoVirtualConsoles) {
  // Whatever this machine has, the kernel's own layout must not let the
  // virtual terminals (tty, tty0, tty1, ...), the console or ptmx through.
  for (const std::string& name : SystemSerialPorts("/sys/class/tty")) {
    const bool virtualTerminal =
        name.rfind("tty", 0) == 0 &&
        (name.size() == 3 || std::isdigit(static_cast<unsigned char>(name[3])));
    EXPECT_FALSE(virtualTerminal) << name;
    EXPECT_NE(name, "console");
    EXPECT_NE(name, "ptmx");
  }
}

TEST(PortList, NaturalOrder) {
  struct Case {
    const char* a;
    const char* b;
  };
  // Each `a` sorts strictly before its `b`.
  const Case cases[] = {
      {"ttyUSB2", "ttyUSB10"}, {"ttyS9", "ttyS10"},
      {"ttyACM0", "ttyS0"},    {"ttyACM9", "ttyS0"},
      {"ttyS", "ttyS0"},       {"rfcomm0", "ttyS0"},
      {"ttyS01", "ttyS1"},     {"ttyUSB0", "ttyUSB99999999999999999999"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(PortNameLess(c.a, c.b)) << c.a << " < " << c.b;
    EXPECT_FALSE(PortNameLess(c.b, c.a)) << c.b << " < " << c.a;
  }
  EXPECT_FALSE(PortNameLess("ttyS3", "ttyS3"));
}

TEST(PortList, PortPath) {
  EXPECT_EQ(PortPath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(PortPath("/dev/pts/3"), "/dev/pts/3");
  EXPECT_EQ(PortPath("/dev/serial/by-id/usb-x"), "/dev/serial/by-id/usb-x");
}

TEST(ParsePortNumber, LeadingDigitsAfterThePrefixLength) {
  struct Case {
    const char* prefix;
    const char* name;
    int expected;
  };
  const Case cases[] = {
      {"COM", "COM12", 12},
      {"COM", "COM3", 3},
      {"COM", "COMX", 0},
      {"COM", "COM", 0},
      {"COM", "CO", 0},  // shorter than the prefix
      {"COM", "", 0},
      {"COM", "COM7a9", 7},  // digits up to the first other character
      {"COM", "COM 5", 5},   // white space before the number is skipped
      {"COM", "COM-4", -4},  // a sign is part of the number
      {"COM", "COM+8", 8},
      {"COM", "COM007", 7},
      {"COM", "ABC42", 42},  // the prefix is skipped by length, not compared
      {"COM", "ttyUSB10", 0},
      {"ttyUSB", "ttyUSB10", 10},
      {"", "42", 42},
      {"COM", "COM2147483647", INT_MAX},
      {"COM", "COM99999999999999999999", INT_MAX},  // saturates, never wraps
      {"COM", "COM-99999999999999999999", INT_MIN},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParsePortNumber(c.prefix, c.name), c.expected)
        << "prefix \"" << c.prefix << "\", name \"" << c.name << "\"";
  }
}

}  // namespace
}  // namespace zephyn
