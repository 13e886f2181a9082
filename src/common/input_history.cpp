#include "common/input_history.h"

#include <algorithm>
#include <utility>

namespace zephyn {

void InputHistory::Add(InputEntry entry) {
  if (!entry.text.empty()) {
    const auto kept = std::find(m_entries.begin(), m_entries.end(), entry);
    if (kept != m_entries.end()) m_entries.erase(kept);
    m_entries.push_back(std::move(entry));
    if (m_entries.size() > kCapacity)
      m_entries.erase(m_entries.begin(), m_entries.end() - kCapacity);
  }
  m_cursor = m_entries.size();
  m_draft = {};
}

std::optional<InputEntry> InputHistory::Older(const InputEntry& current) {
  if (m_cursor >= m_entries.size()) {
    m_cursor = m_entries.size();
    m_draft = current;
    // The box still holds the input just sent: the walk stands on it
    // already, and the first step goes past it.
    if (!m_entries.empty() && m_entries.back() == current) --m_cursor;
  }
  if (m_cursor == 0) return std::nullopt;
  return m_entries[--m_cursor];
}

std::optional<InputEntry> InputHistory::Newer() {
  if (m_cursor >= m_entries.size()) return std::nullopt;
  if (++m_cursor < m_entries.size()) return m_entries[m_cursor];
  return std::exchange(m_draft, {});
}

}  // namespace zephyn
