#pragma once

// The main of a benchmark program that needs windows: the offscreen platform
// unless another one is asked for, an application object, then the benchmarks.

#include <benchmark/benchmark.h>

#include <QApplication>

namespace tv::bench {

inline int RunQtBenchmarks(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

}  // namespace tv::bench
