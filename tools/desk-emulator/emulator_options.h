#pragma once
// The command line of kel-desk-emulator.

#include <string>

#include "desk_emulator.h"

namespace deskemu {

enum class CommandLine { kRun, kHelp, kVersion, kError };

CommandLine ParseCommandLine(int argc, const char* const* argv, Options* options,
                             std::string* problem);
std::string UsageText();

}  // namespace deskemu
