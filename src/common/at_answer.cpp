#include "common/at_answer.h"

#include "common/codecs.h"
#include "common/instructions.h"

namespace zephyn {

void AtAnswer::Begin() {
  std::lock_guard lock(m_lock);
  m_waiting = true;
  m_text.clear();
}

std::optional<std::string> AtAnswer::OnBlock(const std::uint8_t* bytes, std::size_t count) {
  std::lock_guard lock(m_lock);
  if (!m_waiting) return std::nullopt;
  m_text += BytesToText(bytes, count);
  if (m_text.find("OK") == std::string::npos) return std::nullopt;
  m_waiting = false;
  return AtReplyValue(m_text);
}

std::optional<std::string> AtAnswer::End() {
  std::lock_guard lock(m_lock);
  if (!m_waiting) return std::nullopt;
  m_waiting = false;
  if (m_text.empty()) return std::nullopt;
  return AtReplyValue(m_text);
}

bool AtAnswer::Waiting() const {
  std::lock_guard lock(m_lock);
  return m_waiting;
}

}  // namespace zephyn
