#pragma once
// The input messages a desk emulator has read from a trace position on, up
// to an end mark sent through the station's way to the desk: a cursor-mode
// message, which the desk traces in order with the others. Lines as the
// emulator traces them ("key kind=1 code=65", "pointer event=2 x=1 y=2");
// "(no end mark)" when the mark never arrived. Also counts trace lines.
// Needs the deskemu library.

#include <chrono>
#include <string>
#include <vector>

#include "desk_emulator.h"
#include "input/desk_input_sink.h"

inline std::vector<std::string> DeskInputSince(deskemu::DeskEmulator& desk, DeskInputSink& sink,
                                               size_t from, std::chrono::milliseconds wait) {
    sink.SendCursorMode();
    const auto mark = desk.WaitForTrace("cursor-mode ", wait, from);
    if (!mark)
        return {"(no end mark)"};
    std::vector<std::string> lines;
    const std::vector<std::string> trace = desk.Trace();
    for (size_t i = from; i < *mark; ++i) {
        for (const char* prefix : {"key ", "pointer ", "shortcut ", "button ", "refresh"}) {
            if (trace[i].rfind(prefix, 0) == 0)
                lines.push_back(trace[i]);
        }
    }
    return lines;
}

// How many trace lines from `from` on start with the prefix.
inline int CountTrace(const deskemu::DeskEmulator& desk, const std::string& prefix,
                      size_t from = 0) {
    const std::vector<std::string> trace = desk.Trace();
    int n = 0;
    for (size_t i = from; i < trace.size(); ++i)
        n += trace[i].rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}
