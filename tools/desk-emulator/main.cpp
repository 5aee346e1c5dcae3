// kel-desk-emulator: an emulated desk on the network, driven by line
// commands on standard input; prints one trace line per event on standard
// output.

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

#include "desk_emulator.h"
#include "emulator_options.h"
#include "socket_io.h"

namespace {

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Reads command lines until "quit", the end of input or stop; "quit" asks
// the main thread to end.
void ReadCommands(deskemu::DeskEmulator& desk, const deskemu::Waker& stop) {
    std::string pending;
    char buffer[512];
    for (;;) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {stop.Fd(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[1].revents != 0) {
            return;
        }
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            return;  // without input the desk serves until it is signalled
        }
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line == "quit" || line == "quit\r") {
                kill(getpid(), SIGTERM);
                return;
            }
            std::string error;
            if (!line.empty() && !desk.Execute(line, &error)) {
                std::fprintf(stderr, "error: %s\n", error.c_str());
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    deskemu::Options options;
    options.heartbeats = true;
    options.chat = true;
    options.keepTrace = false;  // printed, not kept: the program may run for days
    std::string problem;
    switch (deskemu::ParseCommandLine(argc, argv, &options, &problem)) {
        case deskemu::CommandLine::kHelp:
            std::fputs(deskemu::UsageText().c_str(), stdout);
            return 0;
        case deskemu::CommandLine::kVersion:
            std::puts("kel-desk-emulator " KEL_VERSION);
            return 0;
        case deskemu::CommandLine::kError:
            // One line; --help has the rest. Exit code 2 for usage errors.
            std::fprintf(stderr, "kel-desk-emulator: %s (see --help)\n", problem.c_str());
            return 2;
        case deskemu::CommandLine::kRun:
            break;
    }

    // Every thread inherits this mask, so only sigwait below sees the signals.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    deskemu::DeskEmulator desk(options);
    desk.SetTraceSink(PrintLine);
    std::string error;
    if (!desk.Start(&error)) {
        std::fprintf(stderr, "kel-desk-emulator: %s\n", error.c_str());
        return 1;
    }
    PrintLine("ready address=" + options.address + " name=" + options.name);

    deskemu::Waker stopCommands;
    std::thread commands([&] { ReadCommands(desk, stopCommands); });
    int signalNumber = 0;
    sigwait(&endSignals, &signalNumber);
    stopCommands.Wake();
    commands.join();
    desk.Stop();
    return 0;
}
