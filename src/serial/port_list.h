// The list of serial ports to offer: devices given on the command line first,
// then the system's serial devices, by name and then by number.
#pragma once

#include <string>
#include <vector>

namespace zephyn {

// Where the system lists its serial devices, for SystemSerialPorts (the
// tty class folder of sysfs on Linux).
std::string SystemPortsRoot();

// The names of the system's serial devices listed under `root`, in no
// particular order, as a device is named below /dev ("ttyUSB0"). Each
// system has its own (port_list_linux.cpp); tests pass a fake root.
std::vector<std::string> ListSystemPorts(const std::string& root);

// ListSystemPorts sorted by the name's letters, then its trailing number as
// a number (ttyUSB2 before ttyUSB10).
std::vector<std::string> SystemSerialPorts(const std::string& root);

// The port list: `extraPorts` (paths, shown as given) followed by the
// system's ports under `portsRoot`, at most `capacity` names. When there is
// none at all, the one entry is `placeholder` (the text that stands for "no
// port").
std::vector<std::string> EnumeratePorts(const std::string& portsRoot,
                                        const std::vector<std::string>& extraPorts,
                                        std::size_t capacity, const std::string& placeholder);

// The device path that a list entry opens, each system's own: on Linux an
// entry that is a path (starts with "/") as it is, any other name under /dev.
std::string PortPath(const std::string& entry);

// The decimal number after the first prefix.size() characters of `name`,
// read by the leading-digits rule: ("COM", "COM12") gives 12, "COMX" 0.
int ParsePortNumber(const std::string& prefix, const std::string& name);

// Natural order of two port names: letters first, then the trailing number.
bool PortNameLess(const std::string& a, const std::string& b);

}  // namespace zephyn
