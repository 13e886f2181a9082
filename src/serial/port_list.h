// The list of serial ports to offer: devices given on the command line first,
// then the system's serial devices from sysfs, by name and then by number.
#pragma once

#include <string>
#include <vector>

namespace zephyn {

// Names of the serial devices under `sysfsRoot` (normally "/sys/class/tty"):
// entries with a device/driver link, except 8250 placeholders whose "type"
// reads 0 (no UART); rfcomm* entries are kept by name even without a device
// link (a bound Bluetooth port that is not yet connected). Sorted by the
// name's letters, then its trailing number as a number (ttyUSB2 before
// ttyUSB10). The names are as under /dev ("ttyUSB0").
std::vector<std::string> SysfsSerialPorts(const std::string& sysfsRoot);

// The port list: `extraPorts` (paths, shown as given) followed by the sysfs
// ports, at most `capacity` names. When there is none at all, the one entry
// is `placeholder` (the text that stands for "no port").
std::vector<std::string> EnumeratePorts(const std::string& sysfsRoot,
                                        const std::vector<std::string>& extraPorts,
                                        std::size_t capacity, const std::string& placeholder);

// The device path that a list entry opens: an entry that is a path (starts
// with "/") as it is, any other name under /dev.
std::string PortPath(const std::string& entry);

// The decimal number after the first prefix.size() characters of `name`,
// read by the leading-digits rule: ("COM", "COM12") gives 12, "COMX" 0.
int ParsePortNumber(const std::string& prefix, const std::string& name);

// Natural order of two port names: letters first, then the trailing number.
bool PortNameLess(const std::string& a, const std::string& b);

}  // namespace zephyn
