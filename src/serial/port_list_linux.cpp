// Linux: the serial devices are the entries of the tty class in sysfs that
// a driver has bound.
#include "serial/port_list.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace zephyn {

namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path& p) {
  std::error_code ec;
  // A dangling link still counts: the link is what marks a bound device.
  return fs::exists(p, ec) || fs::is_symlink(p, ec);
}

// True when the "type" attribute of a serial-core tty reads 0: an 8250 line
// that the driver registered without finding a UART behind it.
bool IsEmptyUartSlot(const fs::path& entry) {
  std::ifstream in(entry / "type");
  if (!in) return false;
  long type = -1;
  in >> type;
  return in && type == 0;
}

bool IsSerialDevice(const fs::path& entry, const std::string& name) {
  // A bound but unconnected Bluetooth port has no device behind it yet.
  if (name.rfind("rfcomm", 0) == 0) return true;
  if (!Exists(entry / "device" / "driver")) return false;
  return !IsEmptyUartSlot(entry);
}

}  // namespace

std::string SystemPortsRoot() {
  return "/sys/class/tty";
}

// Entries with a device/driver link, except 8250 placeholders whose "type"
// reads 0 (no UART); rfcomm* entries are kept by name even without a device
// link (a bound Bluetooth port that is not yet connected).
std::vector<std::string> ListSystemPorts(const std::string& root) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(root, ec);
  if (ec) return names;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    if (IsSerialDevice(it->path(), name)) names.push_back(name);
  }
  return names;
}

std::string PortPath(const std::string& entry) {
  if (!entry.empty() && entry[0] == '/') return entry;
  return "/dev/" + entry;
}

}  // namespace zephyn
