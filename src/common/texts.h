// The numbered table of every text that the program shows at run time, in
// Simplified Chinese and English (text_ids.h names them). Texts, IDs 0 to
// kTextCount - 1, are shown as they are: captions, names, menu entries,
// boxes with nothing to fill in. The first 42 double as state markers:
// callers compare captions with them byte for byte, so they are kept exactly
// as stored, odd characters included. Messages, from ID kFirstMessage on,
// hold %1, %2 for the caller to fill in, the same ones in both languages.
// No other ID is held.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace zephyn {

enum class Language { ZhCN, EnUS };

// The language is chosen once at start-up from the user's interface language
// and holds for the whole run; English until set.
void SetLanguage(Language language);
Language CurrentLanguage();

// The text of an ID in the current language as GBK bytes (the program's code
// page); an empty string for an ID the table does not hold.
std::string LoadText(std::uint16_t id);

// The same text as UTF-8, for the window's strings.
std::string LoadTextUtf8(std::uint16_t id);

// The same, in a given language (for tests and for the templates' builder).
std::string LoadTextUtf8(std::uint16_t id, Language language);

inline constexpr std::uint16_t kTextCount = 80;
inline constexpr std::uint16_t kFirstMessage = 1000;
inline constexpr std::uint16_t kMessageCount = 31;
// The lines the session writes into the receive pane, from kFirstNote on.
inline constexpr std::uint16_t kFirstNote = 1100;
inline constexpr std::uint16_t kNoteCount = 5;
// The status strip along the bottom of the window, from kFirstStripText on:
// texts shown as they are, and texts with %1, %2 (text_ids.h says which).
inline constexpr std::uint16_t kFirstStripText = 1200;
inline constexpr std::uint16_t kStripTextCount = 21;

// `text` with %1 to %9 replaced by args[0] to args[8], in one pass: a marker
// that an argument brings in stays as it is, and so does a marker without an
// argument.
std::string FillText(std::string_view text, std::initializer_list<std::string_view> args);

}  // namespace zephyn
