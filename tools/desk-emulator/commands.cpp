// The line commands of the emulator (standard input of the executable):
// a command word, a blank, and the rest of the line as its argument.

#include <charconv>
#include <functional>
#include <limits>
#include <map>

#include "desk_emulator.h"
#include "emulator_core.h"

namespace deskemu {
namespace {

bool Fail(std::string* error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
    return false;
}

template <typename T>
std::optional<T> Number(const std::string& text) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) {
        return std::nullopt;
    }
    return static_cast<T>(value);
}

void SplitWord(const std::string& line, std::string* word, std::string* rest) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) {
        word->clear();
        rest->clear();
        return;
    }
    const size_t end = line.find(' ', start);
    *word = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    *rest = end == std::string::npos ? std::string() : line.substr(end + 1);
}

using Command = std::function<bool(DeskEmulator&, const std::string&, std::string*)>;

// A desk message to every connected station, with a byte argument or none.
Command ToStations(void (DeskEmulator::*send)(uint8_t), const char* name) {
    return [send, name](DeskEmulator& desk, const std::string& argument, std::string* error) {
        const auto value = Number<uint8_t>(argument);
        if (!value) {
            return Fail(error, std::string(name) + " needs a number from 0 to 255");
        }
        if (desk.DisplayChannels() == 0) {
            return Fail(error, "no station connected");
        }
        (desk.*send)(*value);
        return true;
    };
}

Command Simple(void (DeskEmulator::*run)()) {
    return [run](DeskEmulator& desk, const std::string&, std::string*) {
        (desk.*run)();
        return true;
    };
}

Command Chat(bool (DeskEmulator::*send)(const std::string&)) {
    return [send](DeskEmulator& desk, const std::string& text, std::string* error) {
        return (desk.*send)(text) || Fail(error, "chat is off or could not be sent");
    };
}

const std::map<std::string, Command>& Commands() {
    static const std::map<std::string, Command> commands = {
        {"beep", ToStations(&DeskEmulator::Beep, "beep")},
        {"panel", ToStations(&DeskEmulator::InputPanel, "panel")},
        {"mode", ToStations(&DeskEmulator::Mode, "mode")},
        {"throw-out",
         [](DeskEmulator& desk, const std::string&, std::string* error) {
             if (desk.DisplayChannels() == 0) {
                 return Fail(error, "no station connected");
             }
             desk.ThrowOut();
             return true;
         }},
        {"go-silent", Simple(&DeskEmulator::GoSilent)},
        {"resume", Simple(&DeskEmulator::Resume)},
        {"drop", Simple(&DeskEmulator::Drop)},
        {"accept",
         [](DeskEmulator& desk, const std::string&, std::string*) {
             desk.SetRefusal(std::nullopt);
             return true;
         }},
        {"delay-answer",
         [](DeskEmulator& desk, const std::string& argument, std::string* error) {
             const auto value = Number<int32_t>(argument);
             if (!value || *value < 0) {
                 return Fail(error, "delay-answer needs milliseconds");
             }
             desk.SetAnswerDelay(std::chrono::milliseconds(*value));
             return true;
         }},
        {"refuse",
         [](DeskEmulator& desk, const std::string& text, std::string* error) {
             if (text.empty()) {
                 return Fail(error, "refuse needs a text");
             }
             desk.SetRefusal(text);
             return true;
         }},
        {"state",
         [](DeskEmulator& desk, const std::string& argument, std::string* error) {
             const auto value = Number<int32_t>(argument);
             if (!value) {
                 return Fail(error, "state needs a number");
             }
             desk.SetState(*value);
             return true;
         }},
        {"chat", Chat(&DeskEmulator::Chat)},
        {"chat-all", Chat(&DeskEmulator::ChatToAll)},
        {"chat-none", Chat(&DeskEmulator::ChatToNobody)},
        {"chat-to",
         [](DeskEmulator& desk, const std::string& argument, std::string* error) {
             std::string address, text;
             SplitWord(argument, &address, &text);
             if (!ParseAddress(address)) {
                 return Fail(error, "chat-to needs an address and a text");
             }
             return desk.ChatTo(address, text) || Fail(error, "chat is off or could not be sent");
         }},
    };
    return commands;
}

}  // namespace

size_t DeskEmulator::DisplayChannels() const {
    return impl_->OpenChannels(Channel::kDisplay);
}

bool DeskEmulator::Execute(const std::string& rawLine, std::string* error) {
    std::string line = rawLine;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    std::string command, argument;
    SplitWord(line, &command, &argument);
    if (command.empty()) {
        return Fail(error, "empty command");
    }
    const auto found = Commands().find(command);
    if (found == Commands().end()) {
        return Fail(error, "unknown command: " + command);
    }
    return found->second(*this, argument, error);
}

}  // namespace deskemu
