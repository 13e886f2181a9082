// libFuzzer target: the settings reader takes any bytes as a file and must
// answer every key without crashing, overrunning or hanging. Built with
// -DZEPHYN_FUZZ=ON by clang; see fuzz/README.md.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "storage/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const zephyn::SettingsReader reader(
      std::string_view(reinterpret_cast<const char*>(data), size));
  for (std::size_t i = 0; i < zephyn::SettingIndex::kCount; ++i) {
    if (const auto value = reader.Value(i)) {
      // A value is always a piece of the content.
      if (value->size() > size) __builtin_trap();
    }
    reader.Number(i);
  }
  return 0;
}
