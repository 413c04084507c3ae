// Look-ups in the content archive and reads from the packed tree, on files of
// realistic size written by the disc tool's own writers.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

#include "disc/ArchiveWriter.h"
#include "disc/TreeWriter.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"
#include "support/TestSupport.h"

namespace {

constexpr int kArchiveEntries = 2000;

// A question bank of about `bytes` bytes: XML with Russian-looking words, so
// that it compresses like the real thing rather than like a run of one letter.
std::string QuestionBank(std::size_t bytes) {
  static const char* const kWords[] = {"\xEA\xF2\xEE", "\xF7\xF2\xEE", "\xE3\xE4\xE5", "\xEA\xEE\xE3\xE4\xE0",
                                       "\xF1\xF2\xEE\xEB\xE8\xF6\xE0", "\xF0\xE5\xEA\xE0", "\xE3\xEE\xF0\xEE\xE4",
                                       "\xEF\xE8\xF1\xE0\xF2\xE5\xEB\xFC", "\xE2\xEE\xE9\xED\xE0", "\xEC\xE8\xF0",
                                       "answer", "year", "river", "capital", "planet", "poet", "composer"};
  std::mt19937 rng(42);
  std::string xml = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<questions>\r\n";
  int id = 0;
  while (xml.size() < bytes) {
    xml += "  <question id=\"" + std::to_string(++id) + "\" level=\"" + std::to_string(1 + rng() % 14) + "\">\r\n";
    xml += "    <text>";
    for (int w = 0, n = 8 + int(rng() % 12); w < n; ++w) xml += std::string(kWords[rng() % 17]) + " ";
    xml += "?</text>\r\n    <answer>" + std::string(kWords[rng() % 17]) + std::to_string(rng() % 2000) +
           "</answer>\r\n    <comment>";
    for (int w = 0, n = 4 + int(rng() % 20); w < n; ++w) xml += std::string(kWords[rng() % 17]) + " ";
    xml += "</comment>\r\n  </question>\r\n";
  }
  xml.resize(bytes);
  return xml;
}

struct Fixture {
  trv::test::TempDir dir;
  std::string lastName;
  std::string bank = QuestionBank(1 << 20);
  std::uint32_t bankStored = 0;

  Fixture() {
    trv::disc::ArchiveWriter archive;
    std::mt19937 rng(7);
    for (int i = 0; i < kArchiveEntries; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "pics\\screen%02d\\button%04d.bmp", i / 100, i);
      archive.Add(name, std::vector<std::uint8_t>(512 + rng() % 4096, std::uint8_t(i)));
      lastName = name;
    }
    archive.Write(dir / "Mev.dhl");

    trv::disc::TreeWriter tree;
    for (int i = 0; i < 200; ++i)
      tree.AddFile("trees\\back" + std::to_string(i) + ".bmp", std::vector<std::uint8_t>(2000, std::uint8_t(i)));
    tree.AddFile("data\\questions.xml", std::vector<std::uint8_t>(bank.begin(), bank.end()));
    tree.Write(dir / "interface.dat");
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_ArchiveOpen(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    trv::TReadBin bin;
    bin.OpenNative(f.dir / "Mev.dhl");
    benchmark::DoNotOptimize(bin.Entries().data());
  }
}
BENCHMARK(BM_ArchiveOpen);

void BM_ArchiveExistsLast(benchmark::State& state) {
  Fixture& f = Shared();
  trv::TReadBin bin;
  bin.OpenNative(f.dir / "Mev.dhl");
  for (auto _ : state) benchmark::DoNotOptimize(bin.Exists(f.lastName));
}
BENCHMARK(BM_ArchiveExistsLast);

void BM_ArchiveReadToBufferLast(benchmark::State& state) {
  Fixture& f = Shared();
  trv::TReadBin bin;
  bin.OpenNative(f.dir / "Mev.dhl");
  std::vector<std::uint8_t> buffer;
  for (auto _ : state) {
    if (bin.ReadToBuffer(f.lastName, buffer) < 0) state.SkipWithError("entry not found");
    benchmark::DoNotOptimize(buffer.data());
  }
}
BENCHMARK(BM_ArchiveReadToBufferLast);

void BM_TreeFindFile(benchmark::State& state) {
  Fixture& f = Shared();
  trv::TPackedTree tree;
  tree.OpenTreeNative(f.dir / "interface.dat");
  for (auto _ : state) benchmark::DoNotOptimize(tree.FindFile("data\\questions.xml"));
}
BENCHMARK(BM_TreeFindFile);

void BM_TreeFindAndRead1MB(benchmark::State& state) {
  Fixture& f = Shared();
  trv::TPackedTree tree;
  tree.OpenTreeNative(f.dir / "interface.dat");
  trv::TMemoryStream stream;
  for (auto _ : state) {
    const int index = tree.FindFile("data\\questions.xml");
    if (tree.ReadEntry(index, stream) != 0) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(stream.Bytes().data());
  }
  const auto& entry = tree.Entries()[std::size_t(tree.FindFile("data\\questions.xml"))];
  state.counters["stored_bytes"] = entry.stored;
  state.counters["unpacked_bytes"] = entry.unpacked;
  state.SetBytesProcessed(std::int64_t(state.iterations()) * entry.unpacked);
}
BENCHMARK(BM_TreeFindAndRead1MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
