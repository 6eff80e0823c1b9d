// The window's intake of a big folder: from the path to the filled list, for
// 10,000 and 100,000 files in 10x10 folders (made once in a private folder),
// so the growth is visible. Runs offscreen.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>

#include "app/Mainwindow1.h"
#include "app/Searchfile.h"

namespace tarnick {
namespace {

std::string MakeTree(const QTemporaryDir& dir, int files) {
  const QString root = dir.filePath(QString("tree%1").arg(files));
  const int perFolder = files / 100;
  for (int a = 0; a < 10; ++a)
    for (int b = 0; b < 10; ++b) {
      const QString folder = QString("%1/d%2/e%3").arg(root).arg(a).arg(b);
      QDir().mkpath(folder);
      for (int i = 0; i < perFolder; ++i) {
        const std::string path =
            QString("%1/Clip %2.avi").arg(folder).arg((i * 7919) % perFolder).toStdString();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0) ::close(fd);
      }
    }
  return root.toStdString();
}

void BM_WindowIntakeOfAFolder(benchmark::State& state) {
  QTemporaryDir dir;
  const int files = static_cast<int>(state.range(0));
  const std::string root = MakeTree(dir, files);
  QFile(dir.filePath("profile.txt")).open(QIODevice::WriteOnly);
  int listed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TMainFormOptions o;
    o.ProgramFolder = dir.path().toStdString();
    o.ProgramPath = o.ProgramFolder.value() + "/tarnick";
    o.Arguments = std::vector<std::string>{};
    o.Open = [](const std::string&, bool) {};
    TMainForm1 w(o);
    w.show();
    QApplication::processEvents();
    state.ResumeTiming();
    w.TakeSourcePath(root);
    QApplication::processEvents();  // the filled list painted
    listed = w.ListBox1->count();
  }
  state.counters["files"] = listed;
}
// The search alone over the same tree: what is left of the intake is the
// list's own cost.
void BM_SearchAloneOfTheSameFolder(benchmark::State& state) {
  QTemporaryDir dir;
  const std::string root = MakeTree(dir, static_cast<int>(state.range(0)));
  std::size_t found = 0;
  for (auto _ : state) {
    TSearchFile search;
    search.SetRecursive(true);
    search.SetDirectory(root);
    search.SetSearchName("*.*");
    search.SetOnFind(
        [&](TSearchFile*, const std::string&, const TSearchFileData&, bool&) { ++found; });
    search.Search();
  }
  state.counters["entries"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SearchAloneOfTheSameFolder)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK(BM_WindowIntakeOfAFolder)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace tarnick

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
