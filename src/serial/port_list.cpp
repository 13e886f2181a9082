#include "serial/port_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "common/instructions.h"

namespace zephyn {

namespace fs = std::filesystem;

namespace {

// A name split into its letters and its trailing decimal digits.
struct NameParts {
  std::string_view stem;
  std::string_view digits;
};

NameParts SplitName(std::string_view name) {
  std::size_t end = name.size();
  while (end > 0 && std::isdigit(static_cast<unsigned char>(name[end - 1]))) --end;
  return {name.substr(0, end), name.substr(end)};
}

// Compares two runs of decimal digits by value, whatever their length.
int CompareDigits(std::string_view a, std::string_view b) {
  auto stripZeros = [](std::string_view s) {
    const std::size_t first = s.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view{} : s.substr(first);
  };
  a = stripZeros(a);
  b = stripZeros(b);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

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

std::vector<std::string> SysfsSerialPorts(const std::string& sysfsRoot) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(sysfsRoot, ec);
  if (ec) return names;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    if (IsSerialDevice(it->path(), name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), PortNameLess);
  return names;
}

std::vector<std::string> EnumeratePorts(const std::string& sysfsRoot,
                                        const std::vector<std::string>& extraPorts,
                                        std::size_t capacity, const std::string& placeholder) {
  std::vector<std::string> ports;
  if (capacity == 0) return ports;
  for (const std::string& extra : extraPorts) {
    if (ports.size() == capacity) return ports;
    ports.push_back(extra);
  }
  for (std::string& name : SysfsSerialPorts(sysfsRoot)) {
    if (ports.size() == capacity) return ports;
    ports.push_back(std::move(name));
  }
  if (ports.empty()) ports.push_back(placeholder);
  return ports;
}

std::string PortPath(const std::string& entry) {
  if (!entry.empty() && entry[0] == '/') return entry;
  return "/dev/" + entry;
}

int ParsePortNumber(const std::string& prefix, const std::string& name) {
  if (name.size() < prefix.size()) return 0;
  return LeadingInt(std::string_view(name).substr(prefix.size()));
}

bool PortNameLess(const std::string& a, const std::string& b) {
  const NameParts pa = SplitName(a);
  const NameParts pb = SplitName(b);
  if (const int c = pa.stem.compare(pb.stem); c != 0) return c < 0;
  if (const int c = CompareDigits(pa.digits, pb.digits); c != 0) return c < 0;
  // Same letters and value ("ttyS1", "ttyS01"): the text decides, so the
  // order stays strict.
  return a < b;
}

}  // namespace zephyn
