#pragma once
// The main of the benchmarks that start processes through Qt.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#define TARNICK_BENCHMARK_MAIN_QT()      \
  int main(int argc, char** argv) {      \
    QCoreApplication app(argc, argv);    \
    benchmark::Initialize(&argc, argv);  \
    benchmark::RunSpecifiedBenchmarks(); \
    benchmark::Shutdown();               \
    return 0;                            \
  }
