// What the batch costs on its own, beside the encoder and the two fixed
// one-second pauses (which are left out here), and how much CPU the program
// uses while it waits for a long encode.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "BenchQtMain.h"
#include "engine/BatchRunner.h"
#include "engine/QuietBatch.h"
#include "platform/FileOps.h"
#include "platform/ProcessLauncher.h"
#include "tests/support/FakeEncoder.h"

namespace tarnick {
namespace {

struct QuietHost : ListBatchHost, SilentProgressView, INotifier, ISleeper {
  void SetMainEnabled(bool) override {}
  bool LoadImage1(const std::string&) override { return true; }
  void Beep() override {}
  void ShowMessage(const std::string&) override {}
  void Sleep(int) override {}  // the fixed pauses are not the runner's cost
};

// An encoder that takes no time: what is left is the runner's own work.
struct InstantLauncher : IProcessLauncher {
  bool TerminateConversion() override { return false; }
  void StartThumbnailRun(const EncoderCommand&) override {}
  RunOutcome RunConversion(const EncoderCommand& cmd, IMessagePump& pump) override {
    pump.ProcessMessages();
    benchmark::DoNotOptimize(cmd.Arguments.back());
    return {true, true, 0};
  }
  std::string EncoderSearchText() const override { return ""; }
  void EndThumbnailRuns() override {}
};

struct NoPump : IMessagePump {
  void ProcessMessages() override {}
};

struct AlwaysThere : FileOps {
  bool Exists(const std::string&) const override { return true; }
  bool IsCompleteMp4(const std::string&) const override { return true; }
};

void SetUpHost(QuietHost& w, const QTemporaryDir& dir, int files, bool twoPass) {
  w.programFolder = dir.path().toStdString();
  w.settings.OutputFolder = dir.filePath("out").toStdString();
  w.settings.TwoPass = twoPass;
  for (int i = 0; i < files; ++i)
    w.sources.push_back(dir.filePath(QString("in/clip %1.avi").arg(i)).toStdString());
}

// Engine and real file operations, encoder replaced by nothing.
void BM_RunnerOwnCostPerPass(benchmark::State& state) {
  QTemporaryDir dir;
  QuietHost w;
  SetUpHost(w, dir, 50, state.range(0) == 2);
  InstantLauncher launcher;
  NoPump pump;
  AlwaysThere files;
  int passes = 0;
  for (auto _ : state)
    passes += Button0Click({w, w, launcher, pump, w, w, files, PathStyle::Posix}).PassesRun;
  state.SetItemsProcessed(passes);
  state.counters["s_per_pass"] = benchmark::Counter(
      static_cast<double>(passes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RunnerOwnCostPerPass)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The same with real child processes: the fake encoder for every thumbnail
// and conversion run. Includes starting three processes per pass.
void BM_RunnerWithProcessesPerPass(benchmark::State& state) {
  testsupport::FakeEncoderFolder f;
  QuietHost w;
  w.programFolder = f.Folder();
  w.settings.OutputFolder = f.Path("out");
  for (int i = 0; i < 10; ++i) w.sources.push_back(f.MakeFile("clip" + std::to_string(i) + ".avi"));
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  QtMessagePump pump;
  FileOps files;
  int passes = 0;
  for (auto _ : state)
    passes += Button0Click({w, w, launcher, pump, w, w, files, PathStyle::Posix}).PassesRun;
  state.counters["s_per_pass"] = benchmark::Counter(
      static_cast<double>(passes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RunnerWithProcessesPerPass)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// Sources that all exist, without a disk: only the runner's own naming and
// bookkeeping are measured.
struct ListedFiles : IFileOps {
  bool Exists(const std::string&) const override { return false; }
  void Delete(const std::string&) override {}
  bool ForceDirectories(const std::string&) override { return true; }
  std::int64_t FileSize(const std::string&) const override { return -1; }
  bool IsCompleteMp4(const std::string&) const override { return true; }
  bool IsSideThumbnailImage(const std::string&) const override { return false; }
  FileIdentity Identify(const std::string& path) const override {
    FileIdentity id;
    id.Path = path;
    if (path.rfind("/in/", 0) == 0) {
      id.Kind = FileKind::Regular;
      id.Inode = std::hash<std::string>()(path);
    }
    return id;
  }
};

// Output names of a batch of many equal names: `range(0)` files in folders
// of 100 files each, the same 100 names in every folder, so each name is
// numbered once per folder ("clip 7 (1000).mp4"). The time grows with the
// number of files, not with its square.
void BM_OutputNamesOfManyEqualNames(benchmark::State& state) {
  QuietHost w;
  w.programFolder = "/opt/tarnick";
  w.settings.OutputFolder = "/out";
  w.settings.SideThumbnail = false;
  const int files = static_cast<int>(state.range(0));
  for (int folder = 0; folder < files / 100; ++folder)
    for (int name = 0; name < 100; ++name)
      w.sources.push_back("/in/f" + std::to_string(folder) + "/clip " + std::to_string(name) +
                          ".avi");
  InstantLauncher launcher;
  NoPump pump;
  ListedFiles listed;
  for (auto _ : state) {
    BatchResult r = Button0Click({w, w, launcher, pump, w, w, listed, PathStyle::Posix});
    benchmark::DoNotOptimize(r.PassesRun);
  }
  state.counters["files"] = files;
  state.counters["folders"] = files / 100;
}
BENCHMARK(BM_OutputNamesOfManyEqualNames)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The waiting program's own CPU time while a 10-second encode runs.
void BM_WaitingCpuDuringTenSecondEncode(benchmark::State& state) {
  testsupport::FakeEncoderFolder f;
  testsupport::ScopedEnv slow("FAKE_FFMPEG_WRITE_MS", "10000");
  const std::string source = f.MakeFile("clip.avi");
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  QtMessagePump pump;
  ConversionSettings s;
  s.OutputFolder = f.Folder();
  EncoderCommand cmd = MakeConversionCommand(PathStyle::Posix, s, source, f.Path("o.mp4"), 1, 1);
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    double before = CpuSeconds();
    launcher.RunConversion(cmd, pump);
    cpu += CpuSeconds() - before;
    wall += static_cast<double>(t.elapsed()) / 1000.0;
  }
  state.counters["cpu_s"] = cpu;
  state.counters["wall_s"] = wall;
  state.counters["cpu_percent"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_WaitingCpuDuringTenSecondEncode)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace tarnick

TARNICK_BENCHMARK_MAIN_QT()
