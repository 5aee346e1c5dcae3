#pragma once
// Texts of desks and stations (names, refusals, chat) travel as
// Windows-1252 bytes (one byte per character); the program shows them as
// UTF-8. They may carry any byte, so every place that shows them makes the
// control characters visible instead of letting them act.

#include <string>
#include <string_view>

// Characters Windows-1252 cannot carry become '?'.
std::string Utf8ToWindows1252(std::string_view utf8);
// The five bytes Windows-1252 leaves undefined become the C1 controls of
// the same number, so every byte stays one character.
std::string Windows1252ToUtf8(std::string_view bytes);

// Every carriage-return/line-feed pair becomes a single line feed.
std::string WithLineFeeds(std::string_view text);

// For a terminal: C0 controls (line feeds included), DEL and the C1
// controls become '?'.
std::string TerminalSafe(std::string_view utf8);

// For a text view: C0 controls and DEL become their visible symbols from
// the Control Pictures block (U+2400...), C1 controls '?'. Line feeds stay
// when keepLineFeeds is set; tabs always stay.
std::string DisplaySafe(std::string_view utf8, bool keepLineFeeds);
