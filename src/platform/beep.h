#pragma once
// Event sounds. The front end installs the player; without one nothing sounds.

#include <functional>

// Sound kinds: MB_OK (0) default, MB_ICONQUESTION, MB_ICONEXCLAMATION, or
// kSimpleBeep for the plain beep.
constexpr unsigned kSimpleBeep = 0xFFFFFFFF;

using BeepHandler = std::function<void(unsigned)>;
void SetBeepHandler(BeepHandler handler);
void MessageBeep(unsigned type);
