// The inputs that were sent from the input box, for recalling them: the
// last kCapacity distinct ones, oldest first. An entry is what the box held
// (the program's 8-bit text, line breaks as "\n") and whether Hex was on,
// so a recalled entry sends the very bytes it sent before.
//
// Recalling walks from the newest to older entries and back (past the
// newest when the box still holds it, as it does after a send); stepping
// newer past the newest gives back what the box held when the walk began. A
// send (Add) ends the walk.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zephyn {

struct InputEntry {
  std::string text;
  bool hex = false;

  bool operator==(const InputEntry&) const = default;
};

class InputHistory {
 public:
  static constexpr std::size_t kCapacity = 100;

  // A sent input becomes the newest; the same input kept before moves
  // there, and past kCapacity the oldest goes. An empty text is not kept.
  // The walk starts afresh.
  void Add(InputEntry entry);

  // One step older from where the walk stands (from the newest when it
  // begins, `current` being what the box holds); nullopt when there is
  // none older.
  std::optional<InputEntry> Older(const InputEntry& current);
  // One step newer; past the newest, what the box held when the walk
  // began, which ends the walk. Nullopt when no walk is under way.
  std::optional<InputEntry> Newer();

  // Oldest first.
  const std::vector<InputEntry>& Entries() const { return m_entries; }

  // Equal when they keep the same entries, wherever a walk stands.
  bool operator==(const InputHistory& other) const { return m_entries == other.m_entries; }

 private:
  std::vector<InputEntry> m_entries;
  // The entry the walk stands on; m_entries.size() when none is under way.
  std::size_t m_cursor = 0;
  InputEntry m_draft;
};

}  // namespace zephyn
