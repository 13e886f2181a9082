#include "common/stored_strings.h"

namespace zephyn {

Bytes StoredStringBytes(std::string_view text, bool hex, bool newLine) {
  Bytes bytes = hex ? HexToBytes(text) : TextToBytes(text);
  if (newLine) {
    bytes.push_back('\r');
    bytes.push_back('\n');
  }
  return bytes;
}

std::string StoredStringToHex(std::string_view text) {
  return TextToHex(text);
}

std::string StoredStringFromHex(std::string_view hex) {
  const Bytes bytes = HexToBytes(hex);
  return BytesToText(bytes.data(), bytes.size());
}

StringCycle::StringCycle(Send send) : m_send(std::move(send)) {}

StringCycle::~StringCycle() {
  End();
}

StringCycle::Start StringCycle::Begin(const std::vector<StoredString>& rows, bool newLine,
                                      std::int64_t periodMs) {
  const std::lock_guard<std::mutex> hold(m_lock);
  if (const TimerId id = m_timer.exchange(0); id != 0) KillPeriodicTimer(id);
  m_items.clear();
  m_index = 0;
  for (const StoredString& row : rows)
    if (!row.text.empty()) m_items.push_back(StoredStringBytes(row.text, row.hex, newLine));
  if (m_items.empty()) return Start::kNoRows;
  const TimerId id = SetPeriodicTimer(periodMs, [this] { Tick(); });
  if (id == 0) {
    m_items.clear();
    return Start::kTimerRefused;
  }
  m_timer = id;
  return Start::kStarted;
}

bool StringCycle::End() {
  const std::lock_guard<std::mutex> hold(m_lock);
  const TimerId id = m_timer.exchange(0);
  if (id == 0) return false;
  KillPeriodicTimer(id);
  return true;
}

void StringCycle::Tick() {
  m_send(m_items[m_index]);
  if (++m_index == m_items.size()) m_index = 0;
}

}  // namespace zephyn
