// Reading and writing a settings file the way the main window does: twelve
// keys read on one load, twelve written on one save.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchTemp.h"
#include "platform/IniFile.h"

namespace {

struct Key {
  const char* section;
  const char* key;
};
constexpr Key Keys[] = {{"SET", "M_LEFT"}, {"SET", "M_TOP"}, {"SET1", "C0"},  {"SET1", "C1"},
                        {"SET1", "C2"},    {"SET1", "C3"},   {"SET1", "C4"},  {"SET1", "C5"},
                        {"SET2", "C11"},   {"SET2", "C12"},  {"SET2", "C13"}, {"SET2", "C14"}};

std::string BenchFile() {
  static const std::string path = (tarnick::bench::RunFolder() / "Tarnick.ini").string();
  return path;
}

void Write(int round) {
  tarnick::IniFile f = tarnick::IniFile::Open(BenchFile());
  for (const Key& k : Keys) {
    if (std::string(k.key) == "C11")
      f.WriteText(k.section, k.key, "/home/user/Videos/PSP " + std::to_string(round));
    else
      f.WriteInteger(k.section, k.key, round);
  }
  f.Save();
}

void BM_IniLoad(benchmark::State& state) {
  Write(1);
  for (auto _ : state) {
    tarnick::IniFile f = tarnick::IniFile::Open(BenchFile());
    int sum = 0;
    for (const Key& k : Keys) sum += f.ReadInteger(k.section, k.key, 0);
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(f.ReadString("SET2", "C11", ""));
  }
}
BENCHMARK(BM_IniLoad)->Unit(benchmark::kMicrosecond);

// Includes the flush to the disk and the rename that make a save safe.
void BM_IniSave(benchmark::State& state) {
  int round = 0;
  for (auto _ : state) Write(++round);
  std::filesystem::remove(BenchFile());
}
BENCHMARK(BM_IniSave)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
