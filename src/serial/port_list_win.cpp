// Windows: the serial ports are the values of the registry key in which each
// serial driver lists the COM name of every port it has.
#include <windows.h>

#include "serial/port_list.h"
#include "serial/utf16_win.h"

namespace zephyn {

std::string SystemPortsRoot() {
  return "HARDWARE\\DEVICEMAP\\SERIALCOMM";
}

// `root` is a key below HKEY_LOCAL_MACHINE; each of its string values is a
// port's name ("COM3"). A missing key (no serial driver loaded) lists none.
std::vector<std::string> ListSystemPorts(const std::string& root) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(root).c_str(), 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return names;
  DWORD valueCount = 0;
  DWORD longestName = 0;
  DWORD longestData = 0;
  if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                         &longestName, &longestData, nullptr, nullptr) == ERROR_SUCCESS) {
    std::wstring name(longestName + 1, L'\0');
    // Room for a terminating null the stored string may lack.
    std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
    for (DWORD i = 0; i < valueCount; ++i) {
      DWORD nameSize = static_cast<DWORD>(name.size());
      DWORD dataSize = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
      DWORD type = 0;
      if (::RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &dataSize) != ERROR_SUCCESS)
        continue;
      if (type != REG_SZ) continue;
      std::size_t length = dataSize / sizeof(wchar_t);
      while (length > 0 && data[length - 1] == L'\0') --length;
      if (length > 0) names.push_back(Narrow(data.data(), length));
    }
  }
  ::RegCloseKey(key);
  return names;
}

std::string PortPath(const std::string& entry) {
  // A name from the list ("COM12") opens through the device namespace, where
  // every COM number works; a path given as such is left alone.
  if (entry.rfind("\\\\", 0) == 0 || entry.find(':') != std::string::npos) return entry;
  return "\\\\.\\" + entry;
}

}  // namespace zephyn
