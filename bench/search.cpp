// Recursive search of a generated tree: 1,000 folders of 100 files each.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "BenchTemp.h"
#include "app/Searchfile.h"

namespace fs = std::filesystem;

namespace {

// Built once per run in the run's own folder; the warm-up search caches it.
const std::string& TreeRoot() {
  static const std::string root = (tarnick::bench::RunFolder() / "tree").string();
  return root;
}

void MakeTree() {
  const fs::path done = fs::path(TreeRoot()) / ".complete";
  if (fs::exists(done)) return;
  auto fill = [](const fs::path& folder) {
    fs::create_directories(folder);
    for (int f = 0; f < 100; ++f)
      std::ofstream(folder / ("clip" + std::to_string(f) + ".avi")) << f;
  };
  // 100 top folders with 9 subfolders each: 1,000 folders below the root.
  for (int t = 0; t < 100; ++t) {
    fs::path top = fs::path(TreeRoot()) / ("d" + std::to_string(t));
    fill(top);
    for (int s = 0; s < 9; ++s) fill(top / ("s" + std::to_string(s)));
  }
  std::ofstream(done) << "";
}

void BM_SearchTree(benchmark::State& state) {
  MakeTree();
  tarnick::TSearchFile search;
  search.SetRecursive(true);
  search.SetDirectory(TreeRoot());
  search.SetSearchName("*.*");
  std::size_t found = 0;
  search.SetOnFind([&](tarnick::TSearchFile*, const std::string&, const tarnick::TSearchFileData&,
                       bool&) { ++found; });
  search.Search();  // warm the cache
  for (auto _ : state) {
    found = 0;
    benchmark::DoNotOptimize(search.Search());
  }
  state.counters["entries"] = static_cast<double>(found);
  state.counters["folders"] = static_cast<double>(search.FolderList().size());
}
BENCHMARK(BM_SearchTree)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
