#pragma once
// Names of the display's result codes, as the program's diagnostics print
// them: "DirectX Error: DDERR_SURFACELOST". The codes are those of the
// classic DirectDraw interface the display layer stands in for.

#include <cstdint>
#include <string>

constexpr uint32_t kDisplayResultOk = 0;
constexpr uint32_t DDERR_SURFACELOST = 0x887601C2;
constexpr uint32_t DDERR_NOEXCLUSIVEMODE = 0x887600E1;
constexpr uint32_t DDERR_INVALIDOBJECT = 0x88760082;
constexpr uint32_t DDERR_NOTLOCKED = 0x88760248;
constexpr uint32_t DDERR_GENERIC = 0x80004005;

// The name of a result code, or "Unknown Error".
const char* DisplayErrorName(uint32_t result);

// Fills the last-error text with "DirectX Error: %s" and returns it.
std::string DirectXErrorText(uint32_t result);
// The last text DirectXErrorText produced.
std::string DisplayError();

// Number of named codes (for tests that walk the table).
int DisplayErrorNameCount();
uint32_t DisplayErrorCodeAt(int index);
