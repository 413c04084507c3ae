// Damaged archives, trees and scripts are findings, never a crash.
#include <fstream>
#include <random>

#include "disc_lint/LintTestDisc.h"

namespace trv::test {
namespace {

using disc::LintSeverity;

std::vector<std::uint8_t> Noise(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> bytes(n);
  for (auto& b : bytes) b = std::uint8_t(rng());
  return bytes;
}

bool AnyAbout(const std::vector<disc::LintFinding>& f, const std::string& file, const std::string& part) {
  for (const auto& x : f)
    if (x.file == file && x.message.find(part) != std::string::npos) return true;
  return false;
}

TEST(LintBadInputTest, MissingArchiveAndScript) {
  {
    LintDisc d;
    d.Write();
    std::filesystem::remove(d.dir / "Mev.dhl");
    const auto f = disc::LintDisc(d.dir.Path());
    EXPECT_TRUE(Found(f, "Mev.dhl", 0, "the disc folder holds no content archive")) << All(f);
    EXPECT_EQ(f.size(), 1u) << All(f);  // the question bank is still checked, and fine
  }
  LintDisc d;
  d.structScript.reset();
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, "Mev.dhl", 0, "holds no Struct.txt; the shell cannot start")) << All(f);

  const auto none = disc::LintDisc(d.dir / "Mev.dhl");
  EXPECT_TRUE(disc::HasErrors(none));
  EXPECT_NE(none.front().message.find("is not a folder"), std::string::npos);
}

TEST(LintBadInputTest, DamagedArchives) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    LintDisc d;
    d.Write();
    WriteFile(d.dir / "Mev.dhl", Noise(seed * 37, seed));
    const auto f = disc::LintDisc(d.dir.Path());
    EXPECT_TRUE(disc::HasErrors(f)) << seed;
    EXPECT_TRUE(AnyAbout(f, "Mev.dhl", "")) << seed << "\n" << All(f);
  }
  // Cut short: the directory is whole, the data is not.
  LintDisc d;
  d.Write();
  const auto size = std::filesystem::file_size(d.dir / "Mev.dhl");
  std::filesystem::resize_file(d.dir / "Mev.dhl", size - 30);
  const auto f = disc::LintDisc(d.dir.Path());
  EXPECT_TRUE(AnyAbout(f, "Mev.dhl", "lies outside the file")) << All(f);
  // A directory that announces more entries than it holds.
  std::fstream file(d.dir / "Mev.dhl", std::ios::in | std::ios::out | std::ios::binary);
  file.put('\xFF').put('\x7F');
  file.close();
  const auto g = disc::LintDisc(d.dir.Path());
  EXPECT_TRUE(AnyAbout(g, "Mev.dhl", "the directory announces 32767 entries")) << All(g);
}

TEST(LintBadInputTest, DamagedTree) {
  LintDisc d;
  d.Write();
  WriteFile(d.dir / "interface.dat", Noise(300, 7));
  const auto f = disc::LintDisc(d.dir.Path());
  EXPECT_TRUE(AnyAbout(f, "interface.dat", "")) << All(f);
  EXPECT_TRUE(disc::HasErrors(f));
}

TEST(LintBadInputTest, BinaryGarbageAsScripts) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    LintDisc d;
    d.Write();
    disc::ArchiveWriter w;
    for (const char* name : {"Struct.txt", "Dialog.txt", "Options.txt", "About.txt"}) w.Add(name, Noise(4000, seed));
    // Garbage made of the scripts' own words, so that blocks start and lists open.
    std::string words;
    std::mt19937 rng(seed);
    const char* parts[] = {"button", "_popup", "_tree", "[", "]", ";", "go=", "fn1=", "wav=", "\r\n", "_screen",
                           "screen9", "icon", "bgsounddef", "vertexmain", "7", "-", "_picture", "text", "switchgrp"};
    for (int i = 0; i < 3000; ++i) words += parts[rng() % std::size(parts)];
    w.Add("Struct.txt", std::vector<std::uint8_t>(words.begin(), words.end()));
    w.Write(d.dir / "Mev.dhl");
    const auto f = disc::LintDisc(d.dir.Path());
    EXPECT_TRUE(disc::HasErrors(f)) << seed;
    std::map<std::string, int> perFile;
    for (const auto& x : f) {
      ++perFile[x.file];
      // The located walk keeps in step with the program's passes even here.
      EXPECT_EQ(x.message.find("differently from the program"), std::string::npos) << disc::FormatFinding(x);
    }
    for (const auto& [file, count] : perFile) EXPECT_LE(count, 201) << file;
  }
}

TEST(LintBadInputTest, FindingsPerFileAreCapped) {
  LintDisc d;
  for (int i = 0; i < 400; ++i)
    d.structScript->push_back("button1;vx=1;vy=1;fn1=x.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=exit;hint=;wav=no");
  d.structScript->push_back("button1;vx=1;vy=1;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=exit;hint=;wav=no");
  const auto f = d.Lint();
  std::size_t fromStruct = 0;
  for (const auto& x : f) fromStruct += x.file == "Struct.txt";
  EXPECT_EQ(fromStruct, 201u);
  EXPECT_TRUE(Found(f, "Struct.txt", 0, "more than 200 problems; the rest are not shown")) << All(f);
}

}  // namespace
}  // namespace trv::test
