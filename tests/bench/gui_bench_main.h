#pragma once
// The frame of a benchmark program that shows windows: an off-screen
// platform unless one is chosen, a scratch settings store (never the
// user's), the application object and Google Benchmark. `body` registers
// and runs the benchmarks and returns the program's exit code.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <functional>

#include "scratch_settings.h"

inline int RunGuiBenchmarks(int argc, char** argv, const std::function<int()>& body) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ScratchSettings settings;
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const int code = body();
    benchmark::Shutdown();
    return code;
}
