#include "serial/port_list.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "common/instructions.h"

namespace zephyn {

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

}  // namespace

std::vector<std::string> SystemSerialPorts(const std::string& root) {
  std::vector<std::string> names = ListSystemPorts(root);
  std::sort(names.begin(), names.end(), PortNameLess);
  return names;
}

std::vector<std::string> EnumeratePorts(const std::string& portsRoot,
                                        const std::vector<std::string>& extraPorts,
                                        std::size_t capacity, const std::string& placeholder) {
  std::vector<std::string> ports;
  if (capacity == 0) return ports;
  for (const std::string& extra : extraPorts) {
    if (ports.size() == capacity) return ports;
    ports.push_back(extra);
  }
  for (std::string& name : SystemSerialPorts(portsRoot)) {
    if (ports.size() == capacity) return ports;
    ports.push_back(std::move(name));
  }
  if (ports.empty()) ports.push_back(placeholder);
  return ports;
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
