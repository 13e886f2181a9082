#include "common/instructions.h"

#include <climits>
#include <utility>

namespace zephyn {

namespace {

bool IsAtPlus(std::string_view text, std::size_t p) {
  return p + 3 <= text.size() && text[p] == 'A' && text[p + 1] == 'T' && text[p + 2] == '+';
}

bool IsCrLf(std::string_view text, std::size_t p) {
  return p + 2 <= text.size() && text[p] == '\r' && text[p + 1] == '\n';
}

// The blanks of the C library's isspace in the "C" locale.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

CutResult CutInstructions(std::string_view text, std::size_t maxCount,
                          std::vector<std::string>& out) {
  out.clear();
  // `start` is the open instruction's first byte (-1: none). `mark` is where
  // the last start or CR LF was seen; while it equals `start`, nothing has
  // happened since the start, so another "AT+" belongs to the instruction.
  std::ptrdiff_t start = -1;
  std::ptrdiff_t mark = 0;
  bool tooMany = false;

  auto take = [&](std::size_t from, std::size_t to) {
    if (out.size() >= maxCount) {
      tooMany = true;
      return;
    }
    out.emplace_back(text.substr(from, to - from));
  };

  for (std::size_t p = 0; p < text.size() && !tooMany; ++p) {
    const auto pos = static_cast<std::ptrdiff_t>(p);
    if (IsAtPlus(text, p) && mark != start) {
      start = pos;
      mark = pos;
    } else if (IsCrLf(text, p) && start != -1) {
      mark = pos;
      // "AT+X" and shorter are not instructions; their start stays open.
      if (mark > start + 4) {
        take(static_cast<std::size_t>(start), p);
        start = -1;
      }
    }
  }
  if (!tooMany && start != -1) take(static_cast<std::size_t>(start), text.size());

  if (tooMany) {
    out.clear();
    return CutResult::TooMany;
  }
  return CutResult::Ok;
}

bool ContainsOk(const std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i + 1 < count; ++i) {
    if (bytes[i] == 'O' && bytes[i + 1] == 'K') return true;
  }
  return false;
}

std::string AtReplyValue(std::string_view text) {
  const std::size_t equals = text.find('=');
  if (equals != std::string_view::npos) text.remove_prefix(equals + 1);
  const std::size_t ok = text.find("OK");
  if (ok == std::string_view::npos) return {};
  return std::string(text.substr(0, ok));
}

int LeadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate as a negative number so that INT_MIN itself is reachable.
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 - (text[i] - '0');
    if (value < static_cast<long long>(INT_MIN)) {
      return negative ? INT_MIN : INT_MAX;
    }
  }
  if (negative) return static_cast<int>(value);
  return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

void InstructionSequence::Reset() {
  std::lock_guard lock(m_lock);
  m_cmds.clear();
  m_index = 0;
}

CutResult InstructionSequence::Load(std::string_view text, std::string* first) {
  // The old list goes first, so no block that arrives during the cut
  // releases one of its instructions.
  Reset();
  std::vector<std::string> cmds;
  const CutResult result = CutInstructions(text, kMaxInstructions, cmds);
  if (first != nullptr) *first = cmds.empty() ? std::string() : cmds.front();
  std::lock_guard lock(m_lock);
  m_cmds = std::move(cmds);  // empty on TooMany
  m_index = 0;
  return result;
}

std::optional<InstructionSequence::Next> InstructionSequence::OnBlock(const std::uint8_t* bytes,
                                                                      std::size_t count) {
  const bool ok = ContainsOk(bytes, count);
  std::lock_guard lock(m_lock);
  // Every block moves the position on, with or without "OK". Past the end of
  // the list the position no longer matters; it stops at INT_MAX rather than
  // overflow during a long session.
  if (m_index < INT_MAX) ++m_index;
  if (!ok || m_index >= static_cast<int>(m_cmds.size())) return std::nullopt;
  // Whole, however long the instruction is.
  return Next{m_cmds[static_cast<std::size_t>(m_index)] + "\r\n", LeadingInt(m_delay)};
}

void InstructionSequence::SetEnabled(bool on) {
  std::lock_guard lock(m_lock);
  m_enabled = on;
}

bool InstructionSequence::Enabled() const {
  std::lock_guard lock(m_lock);
  return m_enabled;
}

void InstructionSequence::SetDelay(std::string text) {
  std::lock_guard lock(m_lock);
  m_delay = std::move(text);
}

std::string InstructionSequence::Delay() const {
  std::lock_guard lock(m_lock);
  return m_delay;
}

int InstructionSequence::Count() const {
  std::lock_guard lock(m_lock);
  return static_cast<int>(m_cmds.size());
}

int InstructionSequence::Index() const {
  std::lock_guard lock(m_lock);
  return m_index;
}

}  // namespace zephyn
