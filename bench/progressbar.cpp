// Cost of the progress bar's paints: the whole bar and the band a position
// change repaints at once while the batch keeps the user-interface thread.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "controls/Dxfprogressbar.h"

namespace {

tarnick::TdxfProgressBar& WindowBar() {
  static tarnick::TdxfProgressBar bar;
  static bool made = false;
  if (!made) {
    bar.SetBounds(0, 0, 300, 15);
    bar.SetBarBevelOuter(tarnick::bvNone);
    bar.SetBeginColor(tarnick::clGray);
    bar.SetEndColor(tarnick::clWhite);
    bar.SetOrientation(tarnick::orHorizontal);
    bar.SetShowText(true);
    bar.SetStyle(tarnick::sExSolid);
    bar.Font().SetName("ＭＳ Ｐゴシック");
    bar.Font().SetHeight(-11);
    made = true;
  }
  return bar;
}

void BM_WholeBar(benchmark::State& state) {
  auto& bar = WindowBar();
  bar.SetMax(4);
  bar.SetPosition(3);
  for (auto _ : state) benchmark::DoNotOptimize(bar.Snapshot().constBits());
}
BENCHMARK(BM_WholeBar);

void BM_PositionStep(benchmark::State& state) {
  auto& bar = WindowBar();
  bar.SetMax(1000);
  int p = 0;
  for (auto _ : state) {
    p = (p + 1) % 1000;
    bar.SetPosition(p);
  }
}
BENCHMARK(BM_PositionStep);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
