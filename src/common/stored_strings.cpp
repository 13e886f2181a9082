#include "common/stored_strings.h"

namespace zephyn {

Bytes StoredStringBytes(std::string_view text, bool hex, std::string_view lineEnd) {
  Bytes bytes = hex ? HexToBytes(text) : TextToBytes(text);
  bytes.insert(bytes.end(), lineEnd.begin(), lineEnd.end());
  return bytes;
}

std::string StoredStringToHex(std::string_view text) {
  return TextToHex(text);
}

std::string StoredStringFromHex(std::string_view hex) {
  const Bytes bytes = HexToBytes(hex);
  return BytesToText(bytes.data(), bytes.size());
}

}  // namespace zephyn
