#include "emulator_options.h"

#include <charconv>
#include <functional>
#include <limits>
#include <map>

#include "wire.h"

namespace deskemu {
namespace {

template <typename T>
bool ToNumber(const std::string& text, T* out) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) {
        return false;
    }
    *out = static_cast<T>(value);
    return true;
}

bool ToAddress(const std::string& text, std::string* out) {
    if (!ParseAddress(text)) {
        return false;
    }
    *out = text;
    return true;
}

using ValueSetter = std::function<bool(Options&, const std::string&)>;
using FlagSetter = std::function<void(Options&)>;

const std::map<std::string, ValueSetter>& ValueOptions() {
    static const std::map<std::string, ValueSetter> options = {
        {"--address", [](Options& o, const std::string& v) { return ToAddress(v, &o.address); }},
        {"--own-interface",
         [](Options& o, const std::string& v) { return ToAddress(v, &o.ownInterface); }},
        {"--name", [](Options& o, const std::string& v) { return o.name = v, true; }},
        {"--type", [](Options& o, const std::string& v) { return ToNumber(v, &o.type); }},
        {"--software-version",
         [](Options& o, const std::string& v) { return ToNumber(v, &o.softwareVersion); }},
        {"--protocol", [](Options& o, const std::string& v) { return ToNumber(v, &o.protocol); }},
        {"--display-version",
         [](Options& o, const std::string& v) { return ToNumber(v, &o.displayVersion); }},
        {"--state", [](Options& o, const std::string& v) { return ToNumber(v, &o.state); }},
        {"--refuse", [](Options& o, const std::string& v) { return o.refusal = v, !v.empty(); }},
        {"--user", [](Options& o, const std::string& v) { return o.userName = v, true; }},
        {"--cursor-mode",
         [](Options& o, const std::string& v) { return ToNumber(v, &o.cursorMode); }},
        {"--mode", [](Options& o, const std::string& v) { return ToNumber(v, &o.deskMode); }},
    };
    return options;
}

const std::map<std::string, FlagSetter>& FlagOptions() {
    static const std::map<std::string, FlagSetter> options = {
        {"--emulation", [](Options& o) { o.emulation = true; }},
        {"--accept-empty", [](Options& o) { o.acceptWithEmptyString = true; }},
        {"--no-heartbeats", [](Options& o) { o.heartbeats = false; }},
        {"--no-chat", [](Options& o) { o.chat = false; }},
    };
    return options;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv, Options* options,
                             std::string* problem) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            return CommandLine::kHelp;
        }
        if (name == "--version") {
            return CommandLine::kVersion;
        }
        if (auto flag = FlagOptions().find(name); flag != FlagOptions().end()) {
            flag->second(*options);
            continue;
        }
        auto value = ValueOptions().find(name);
        if (value == ValueOptions().end()) {
            *problem = "unknown option " + name;
            return CommandLine::kError;
        }
        if (i + 1 >= argc) {
            *problem = name + " needs a value";
            return CommandLine::kError;
        }
        const std::string text = argv[++i];
        if (!value->second(*options, text)) {
            *problem = "bad value for " + name + ": " + text;
            return CommandLine::kError;
        }
    }
    return CommandLine::kRun;
}

std::string UsageText() {
    return R"(Usage: kel-desk-emulator [options]

An emulated desk: sends heartbeats, accepts registrations on TCP port 7003,
input on 7001 and serves its screen on 7002. Prints one trace line per event
on standard output and reads commands from standard input.
Multicast (heartbeats, chat) reaches the whole local network: to keep it on
this machine run the emulator inside a private network namespace
(scripts/netns-run).

Options:
  --address A           the desk's own address for its TCP services and its
                        heartbeats (default 127.0.0.2)
  --own-interface A     multicast interface (default: the address)
  --name N              desk name in heartbeats and on its screen
                        (default "Emulated Desk", at most 31 characters sent)
  --type T              desk type code (default 1, "Kel Alpha")
  --software-version V  software version (default 3830)
  --protocol P          protocol number (default 5500)
  --display-version V   display version, -32768..32767 (default 5500)
  --state S             state in heartbeats (default 1 = available)
  --emulation           mark the desk as an emulation
  --refuse TEXT         refuse registrations with this text
  --accept-empty        accept registrations with an empty string (default:
                        the null string)
  --user NAME           user name in the session information
  --cursor-mode B       cursor-mode byte in the session information (default 1)
  --mode B              desk mode sent after the session information (default 0)
  --no-heartbeats       send no heartbeats
  --no-chat             neither receive nor send chat
  -h, --help            show this text
  --version             print the version

A usage error is reported in one line on standard error, exit code 2.

Commands (one per line on standard input):
  beep N          desk message 1 (0 exclamation, 1 question, 2 default)
  panel N         desk message 2 (show the input panel: 1, hide: 0)
  mode N          desk message 5 (desk mode byte)
  throw-out       desk message 6: throw the stations out
  go-silent       stop sending heartbeats (TCP stays up)
  resume          send heartbeats again
  state N         state carried by the next heartbeats (0 or 2: going away)
  drop            abortive close of every station's channels
  refuse TEXT     refuse registrations from now on
  accept          accept registrations again
  delay-answer MS answer registrations only after MS milliseconds (0: at once)
  chat TEXT       chat to the connected stations (to all when none)
  chat-all TEXT   chat with recipient count -1
  chat-none TEXT  chat with recipient count 0
  chat-to A TEXT  chat to the station at address A
  quit            stop the desk and exit (so do SIGINT and SIGTERM)

The trace lines are described in tools/desk-emulator/README.md.
)";
}

}  // namespace deskemu
