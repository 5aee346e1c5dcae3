// The line commands of the emulator (standard input of the executable).

#include <charconv>
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
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() ||
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

}  // namespace

bool DeskEmulator::Execute(const std::string& rawLine, std::string* error) {
    std::string line = rawLine;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    std::string command, argument;
    SplitWord(line, &command, &argument);

    const auto needStation = [&](auto send) {
        if (impl_->OpenChannels(Channel::kDisplay) == 0) {
            return Fail(error, "no station connected");
        }
        send();
        return true;
    };
    const auto byteCommand = [&](void (DeskEmulator::*send)(uint8_t)) {
        const auto value = Number<uint8_t>(argument);
        if (!value) {
            return Fail(error, command + " needs a number from 0 to 255");
        }
        return needStation([&] { (this->*send)(*value); });
    };
    const auto chatResult = [&](bool sent) {
        return sent ? true : Fail(error, "chat is off or could not be sent");
    };

    if (command == "beep") {
        return byteCommand(&DeskEmulator::Beep);
    }
    if (command == "panel") {
        return byteCommand(&DeskEmulator::InputPanel);
    }
    if (command == "mode") {
        return byteCommand(&DeskEmulator::Mode);
    }
    if (command == "throw-out") {
        return needStation([&] { ThrowOut(); });
    }
    if (command == "go-silent") {
        return GoSilent(), true;
    }
    if (command == "resume") {
        return Resume(), true;
    }
    if (command == "drop") {
        return Drop(), true;
    }
    if (command == "accept") {
        return SetRefusal(std::nullopt), true;
    }
    if (command == "refuse") {
        if (argument.empty()) {
            return Fail(error, "refuse needs a text");
        }
        return SetRefusal(argument), true;
    }
    if (command == "state") {
        const auto value = Number<int32_t>(argument);
        if (!value) {
            return Fail(error, "state needs a number");
        }
        return SetState(*value), true;
    }
    if (command == "chat") {
        return chatResult(Chat(argument));
    }
    if (command == "chat-all") {
        return chatResult(ChatToAll(argument));
    }
    if (command == "chat-none") {
        return chatResult(ChatToNobody(argument));
    }
    if (command == "chat-to") {
        std::string address, text;
        SplitWord(argument, &address, &text);
        if (!ParseAddress(address)) {
            return Fail(error, "chat-to needs an address and a text");
        }
        return chatResult(ChatTo(address, text));
    }
    if (command.empty()) {
        return Fail(error, "empty command");
    }
    return Fail(error, "unknown command: " + command);
}

}  // namespace deskemu
