// Eight short clips converted by tarnick-cli with --jobs 1 and --jobs 2
// (real ffmpeg, clips made in a private folder), and the speed-up.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "BenchQtMain.h"
#include "bench/ChildRun.h"

namespace tarnick {
namespace {

using namespace bench;

void BM_JobsSpeedUp(benchmark::State& state) {
  QTemporaryDir dir;
  const int clips = 8;
  const int seconds = EnvInt("TARNICK_BENCH_SECONDS", 6);
  std::vector<std::string> args = {Cli,
                                   "--settings",
                                   dir.filePath("Tarnick.ini").toStdString(),
                                   "--profile",
                                   dir.filePath("profile.txt").toStdString(),
                                   "--no-thumbnail",
                                   "-q"};
  {
    QFile(dir.filePath("Tarnick.ini")).open(QIODevice::WriteOnly);
    QFile p(dir.filePath("profile.txt"));
    p.open(QIODevice::WriteOnly);
    p.write(state.range(0) == 0 ? "H264,mp4,480x272,LIBX264,30fps,768kbps,AAC,48000Hz,128kbps\n"
                                : "MPEG4,mp4,480x272,MPEG4,30fps,768kbps,AAC,48000Hz,128kbps\n");
  }
  std::vector<std::string> sources;
  for (int i = 0; i < clips; ++i) {
    sources.push_back(dir.filePath(QString("clip%1.avi").arg(i)).toStdString());
    if (!MakeClip(sources.back(), seconds, "640x480")) {
      state.SkipWithError("ffmpeg could not make the clips");
      return;
    }
  }
  std::vector<double> one, two;
  for (auto _ : state) {
    for (int round = 0; round < EnvInt("TARNICK_BENCH_RUNS", 2); ++round) {
      for (int jobs : {1, 2}) {
        const std::string out = dir.filePath(QString("out%1").arg(jobs)).toStdString();
        QDir(QString::fromStdString(out)).removeRecursively();
        std::vector<std::string> a = args;
        a.insert(a.end(), {"-o", out, "-j", std::to_string(jobs)});
        a.insert(a.end(), sources.begin(), sources.end());
        const Cost c = RunChild(a);
        if (c.Code != 0) {
          state.SkipWithError("tarnick-cli failed");
          return;
        }
        (jobs == 1 ? one : two).push_back(c.Wall);
      }
    }
  }
  state.counters["jobs1_s"] = Median(one);
  state.counters["jobs2_s"] = Median(two);
  state.counters["speed_up"] = Median(one) / Median(two);
  state.SetLabel(state.range(0) == 0 ? "libx264" : "mpeg4");
}
BENCHMARK(BM_JobsSpeedUp)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace tarnick

TARNICK_BENCHMARK_MAIN_QT()
