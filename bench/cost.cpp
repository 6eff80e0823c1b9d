// tarnick-cli against the same ffmpeg line run bare, side by side in one
// process tree: one clip (30 s of 640x480 unless TARNICK_BENCH_SECONDS says
// otherwise) made in a private folder, one and two passes, no thumbnails (so
// none of the one-second pauses), medians of TARNICK_BENCH_RUNS rounds taken
// in turn. Prints the wall and CPU ratios (CPU from RUSAGE_CHILDREN).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include "BenchQtMain.h"
#include "bench/ChildRun.h"

namespace tarnick {
namespace {

using namespace bench;

std::vector<std::string> OutputLines(const std::string& command) {
  std::vector<std::string> lines;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return lines;
  std::string text;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
  pclose(p);
  for (std::size_t start = 0, nl; (nl = text.find('\n', start)) != std::string::npos;
       start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  return lines;
}

std::string ShellWord(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

void BM_CliAgainstBareFfmpeg(benchmark::State& state) {
  const int passes = static_cast<int>(state.range(0));
  QTemporaryDir dir;
  QTemporaryDir passDir(QDir(QDir::tempPath()).filePath("tarnick-bench-pass-XXXXXX"));
  const std::string clip = dir.filePath("clip.avi").toStdString();
  if (!MakeClip(clip, EnvInt("TARNICK_BENCH_SECONDS", 30), "640x480")) {
    state.SkipWithError("ffmpeg could not make the clip");
    return;
  }
  QFile(dir.filePath("Tarnick.ini")).open(QIODevice::WriteOnly);
  {
    QFile p(dir.filePath("profile.txt"));
    p.open(QIODevice::WriteOnly);
    p.write("H264,mp4,480x272,LIBX264,30fps,768kbps,AAC,48000Hz,128kbps\n");
  }
  const std::string out = dir.filePath("out").toStdString();
  std::vector<std::string> cli = {Cli,
                                  "--settings",
                                  dir.filePath("Tarnick.ini").toStdString(),
                                  "--profile",
                                  dir.filePath("profile.txt").toStdString(),
                                  "--no-thumbnail",
                                  "-q",
                                  "-o",
                                  out,
                                  passes == 2 ? "--two-pass" : "--one-pass"};
  // The bare lines are the program's own, as its dry run prints them.
  std::string dry;
  for (const auto& a : cli) dry += ShellWord(a) + " ";
  dry += "--dry-run " + ShellWord(clip) + " 2>/dev/null";
  std::vector<std::string> bare;
  const std::string placeholder =
      QDir(QDir::tempPath()).filePath("tarnick-pass-XXXXXX").toStdString();
  for (std::string line : OutputLines(dry)) {
    if (line.find("image2") != std::string::npos) continue;  // the console makes no preview
    if (auto at = line.find(placeholder); at != std::string::npos)
      line.replace(at, placeholder.size(), passDir.path().toStdString());
    bare.push_back(line);
  }
  if (static_cast<int>(bare.size()) != passes) {
    state.SkipWithError("the dry run did not give the conversion lines");
    return;
  }
  cli.push_back(clip);
  QDir().mkpath(QString::fromStdString(out));

  std::vector<double> cliWall, cliCpu, bareWall, bareCpu;
  for (auto _ : state) {
    for (int round = 0; round < EnvInt("TARNICK_BENCH_RUNS", 5); ++round) {
      // Taken in turn, each first every other round, so a load that comes
      // and goes falls on both alike.
      Cost c, b;
      auto runCli = [&] {
        QFile::remove(QString::fromStdString(out + "/clip.mp4"));
        c = RunChild(cli);
      };
      auto runBare = [&] {
        QFile::remove(QString::fromStdString(out + "/clip.mp4"));
        for (const std::string& line : bare) {
          const Cost one = RunChild({"/bin/sh", "-c", "exec " + line});
          b.Wall += one.Wall;
          b.Cpu += one.Cpu;
          b.Code = one.Code;
        }
      };
      if (round % 2 == 0)
        runCli(), runBare();
      else
        runBare(), runCli();
      if (c.Code != 0 || b.Code != 0) {
        state.SkipWithError("a run failed");
        return;
      }
      cliWall.push_back(c.Wall);
      cliCpu.push_back(c.Cpu);
      bareWall.push_back(b.Wall);
      bareCpu.push_back(b.Cpu);
    }
  }
  state.counters["cli_wall_s"] = Median(cliWall);
  state.counters["bare_wall_s"] = Median(bareWall);
  state.counters["cli_cpu_s"] = Median(cliCpu);
  state.counters["bare_cpu_s"] = Median(bareCpu);
  state.counters["wall_ratio"] = Median(cliWall) / Median(bareWall);
  state.counters["cpu_ratio"] = Median(cliCpu) / Median(bareCpu);
  state.SetLabel(passes == 1 ? "one pass" : "two passes");
}
BENCHMARK(BM_CliAgainstBareFfmpeg)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace tarnick

TARNICK_BENCHMARK_MAIN_QT()
