#include "platform/SettingsStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/AtomicFile.h"
#include "platform/Trace.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

namespace fs = std::filesystem;
constexpr RootKey HKCU = RootKey::CurrentUser;
constexpr RootKey HKLM = RootKey::LocalMachine;
const std::string kKey = "SOFTWARE\\VOMAR\\Trivion";

std::string AllBytes() {
  std::string s;
  for (int i = 0; i < 256; ++i) s.push_back(static_cast<char>(i));
  return s;
}

std::vector<std::string> DamagedFiles(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string n = e.path().filename().string();
    if (n.rfind("HKEY_CURRENT_USER.reg.damaged-", 0) == 0) names.push_back(n);
  }
  return names;
}

TEST(SettingsStore, EveryTypeRoundTripsThroughTheFile) {
  test::TempDir dir;
  const std::string russian = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0! \xA8\xB8";  // "Привет, мир! Ёё"
  {
    SettingsStore store(dir.Path());
    EXPECT_TRUE(store.WriteString(HKCU, kKey, "LastVisitedHtmlFile", russian));
    EXPECT_TRUE(store.WriteInteger(HKCU, kKey, "Min", INT_MIN));
    EXPECT_TRUE(store.WriteInteger(HKCU, kKey, "Max", INT_MAX));
    EXPECT_TRUE(store.WriteInteger(HKCU, kKey, "Minus", -1));
    EXPECT_TRUE(store.WriteBool(HKCU, kKey, "SwOne0", true));
    EXPECT_TRUE(store.WriteBinary(HKCU, kKey, "Empty", {}));
    EXPECT_TRUE(store.WriteBinary(HKCU, kKey, "Table", {0, 0x7F, 0xFF}));
    EXPECT_TRUE(store.WriteString(HKLM, "SOFTWARE\\Pelnor", "", "default"));
  }
  SettingsStore store(dir.Path());  // a fresh object reads everything back from disk
  EXPECT_EQ(store.ReadString(HKCU, kKey, "LastVisitedHtmlFile"), russian);
  EXPECT_EQ(store.ReadInteger(HKCU, kKey, "Min"), INT_MIN);
  EXPECT_EQ(store.ReadInteger(HKCU, kKey, "Max"), INT_MAX);
  EXPECT_EQ(store.ReadInteger(HKCU, kKey, "Minus"), -1);
  EXPECT_EQ(store.ReadBool(HKCU, kKey, "SwOne0"), true);
  EXPECT_EQ(store.ReadBinary(HKCU, kKey, "Empty"), std::vector<std::uint8_t>{});
  EXPECT_EQ(store.ReadBinary(HKCU, kKey, "Table"), (std::vector<std::uint8_t>{0, 0x7F, 0xFF}));
  EXPECT_EQ(store.ReadString(HKLM, "SOFTWARE\\Pelnor", ""), "default");
  EXPECT_FALSE(store.ReadString(HKCU, "SOFTWARE\\Pelnor", ""));  // roots are separate
  // Typed reads of another type, missing values and keys.
  EXPECT_FALSE(store.ReadString(HKCU, kKey, "Max"));
  EXPECT_FALSE(store.ReadInteger(HKCU, kKey, "Table"));
  EXPECT_FALSE(store.ReadBinary(HKCU, kKey, "LastVisitedHtmlFile"));
  EXPECT_FALSE(store.ReadValue(HKCU, kKey, "Nothing"));
  EXPECT_FALSE(store.ReadValue(HKCU, "SOFTWARE\\Nothing", "Max"));

  // The file is readable UTF-8 text.
  const std::string text = test::ReadFile(dir / "HKEY_CURRENT_USER.reg");
  EXPECT_NE(text.find("[SOFTWARE\\VOMAR\\Trivion]"), std::string::npos);
  EXPECT_NE(text.find("\"LastVisitedHtmlFile\"=\"Привет, мир! Ёё\""), std::string::npos);
  EXPECT_NE(text.find("\"Minus\"=dword:ffffffff"), std::string::npos);
  EXPECT_NE(text.find("\"Table\"=hex:00,7f,ff"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "HKEY_LOCAL_MACHINE.reg"));
}

TEST(SettingsStore, AnyBytesInNamesAndValuesSurvive) {
  test::TempDir dir;
  const std::string all = AllBytes();
  std::vector<std::uint8_t> allBinary(all.begin(), all.end());
  // Names made to confuse a line format: brackets, '=', quotes, escapes, line
  // breaks, comment starts, the byte without a Unicode form.
  const std::string key = "Odd]Key=\"1\"\\%41 [x]\\#;\n\x98\t\\\xC0\xFF";
  const std::vector<std::string> names = {
      "a]=b", "\"quoted\"", "back\\slash", "x\\x41", "\n\r\t", "=", "", "\x98", "%25", "end", "[Sec]"};
  {
    SettingsStore store(dir.Path());
    EXPECT_TRUE(store.WriteString(HKCU, key, "all", all));
    EXPECT_TRUE(store.WriteBinary(HKCU, key, "bin", allBinary));
    for (std::size_t i = 0; i < names.size(); ++i)
      EXPECT_TRUE(store.WriteInteger(HKCU, key, names[i], int(i)));
    EXPECT_TRUE(store.WriteString(HKCU, key + "\\" + all.substr(93, 100), "tail", all.substr(200)));
  }
  SettingsStore store(dir.Path());
  EXPECT_EQ(store.ReadString(HKCU, key, "all"), all);
  EXPECT_EQ(store.ReadBinary(HKCU, key, "bin"), allBinary);
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(store.ReadInteger(HKCU, key, names[i]), int(i)) << i;
  std::vector<std::string> expected = {"all", "bin"};
  expected.insert(expected.end(), names.begin(), names.end());
  EXPECT_EQ(store.ValueNames(HKCU, key), expected);
  EXPECT_EQ(store.SubKeys(HKCU, "Odd]Key=\"1\""), std::vector<std::string>{"%41 [x]"});
  EXPECT_EQ(store.ReadString(HKCU, key + "\\" + all.substr(93, 100), "tail"), all.substr(200));
}

TEST(SettingsStore, NamesIgnoreCaseAndKeepTheCaseTheyWereCreatedWith) {
  test::TempDir dir;
  SettingsStore store(dir.Path());
  const std::string game = "\xC8\xE3\xF0\xE0 \xB8";   // "Игра ё"
  const std::string other = "\xE8\xc3\xd0\xc0 \xA8";  // "иГРА Ё"
  ASSERT_TRUE(store.WriteInteger(HKCU, "SOFTWARE\\VOMAR\\" + game, "SwOne1", 1));
  EXPECT_EQ(store.ReadInteger(HKCU, "software\\vomar\\" + other, "SWONE1"), 1);
  EXPECT_TRUE(store.WriteInteger(HKCU, "Software\\Vomar\\" + other, "swone1", 2));
  EXPECT_TRUE(store.KeyExists(HKCU, "SOFTWARE\\VOMAR\\" + other));
  // One key, one value, in their first spelling.
  EXPECT_EQ(store.SubKeys(HKCU, "software\\VOMAR"), std::vector<std::string>{game});
  EXPECT_EQ(store.ValueNames(HKCU, "SOFTWARE\\VOMAR\\" + game), std::vector<std::string>{"SwOne1"});
  SettingsStore again(dir.Path());
  EXPECT_EQ(again.ReadInteger(HKCU, "SOFTWARE\\VOMAR\\" + game, "SwOne1"), 2);
  EXPECT_EQ(again.SubKeys(HKCU, ""), std::vector<std::string>{"SOFTWARE"});
}

TEST(SettingsStore, KeysValuesAndTheirLifecycle) {
  test::TempDir dir;
  const fs::path folder = dir / "config" / "trivion";
  SettingsStore store(folder);

  // Reads and failing operations create nothing.
  EXPECT_FALSE(store.KeyExists(HKCU, kKey));
  EXPECT_FALSE(store.ReadValue(HKCU, kKey, "x"));
  EXPECT_FALSE(store.WriteInteger(HKCU, kKey, "x", 1, /*createKey=*/false));
  EXPECT_FALSE(store.DeleteKey(HKCU, kKey));
  EXPECT_FALSE(store.DeleteValue(HKCU, kKey, "x"));
  EXPECT_TRUE(store.SubKeys(HKCU, kKey).empty());
  EXPECT_FALSE(fs::exists(dir / "config"));

  EXPECT_TRUE(store.CreateKey(HKCU, "\\SOFTWARE\\\\VOMAR\\Trivion\\"));  // normalised path
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(store.KeyExists(HKCU, "SOFTWARE"));  // intermediate keys exist
  EXPECT_TRUE(store.KeyExists(HKCU, kKey));
  EXPECT_TRUE(store.WriteInteger(HKCU, kKey, "x", 1, /*createKey=*/false));
  EXPECT_TRUE(store.CreateKey(HKCU, kKey));  // already there

  // Creation order, not name order.
  for (const char* k : {"Zeta", "alpha", "Mid"}) EXPECT_TRUE(store.CreateKey(HKCU, kKey + "\\" + k));
  EXPECT_TRUE(store.WriteString(HKCU, kKey + "\\alpha\\deep\\deeper", "v", "1"));
  for (const char* v : {"b", "a", "c"}) EXPECT_TRUE(store.WriteInteger(HKCU, kKey, v, 0));
  EXPECT_EQ(store.SubKeys(HKCU, kKey), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
  EXPECT_EQ(store.ValueNames(HKCU, kKey), (std::vector<std::string>{"x", "b", "a", "c"}));

  EXPECT_TRUE(store.DeleteValue(HKCU, kKey, "A"));
  EXPECT_FALSE(store.DeleteValue(HKCU, kKey, "a"));
  EXPECT_EQ(store.ValueNames(HKCU, kKey), (std::vector<std::string>{"x", "b", "c"}));

  EXPECT_FALSE(store.DeleteKey(HKCU, ""));  // the root stays
  EXPECT_TRUE(store.DeleteKey(HKCU, kKey + "\\ALPHA"));
  EXPECT_FALSE(store.KeyExists(HKCU, kKey + "\\alpha\\deep"));
  EXPECT_FALSE(store.ReadValue(HKCU, kKey + "\\alpha\\deep\\deeper", "v"));
  EXPECT_TRUE(store.CreateKey(HKCU, kKey + "\\alpha"));  // comes back empty, last
  EXPECT_TRUE(store.SubKeys(HKCU, kKey + "\\alpha").empty());
  EXPECT_EQ(store.SubKeys(HKCU, kKey), (std::vector<std::string>{"Zeta", "Mid", "alpha"}));

  SettingsStore again(folder);
  EXPECT_EQ(again.SubKeys(HKCU, kKey), (std::vector<std::string>{"Zeta", "Mid", "alpha"}));
  EXPECT_EQ(again.ValueNames(HKCU, kKey), (std::vector<std::string>{"x", "b", "c"}));
  EXPECT_TRUE(again.DeleteKey(HKCU, "software"));
  EXPECT_TRUE(again.SubKeys(HKCU, "").empty());
  EXPECT_FALSE(SettingsStore(folder).KeyExists(HKCU, kKey));
}

TEST(SettingsStore, WritesAndDeletesAreTraced) {
  test::TempDir dir;
  Trace trace([] { return std::uint64_t(5); });
  trace.KeepLines(true);
  SettingsStore store(dir.Path(), &trace);
  store.WriteString(HKCU, "\\A\\B\\", "Name", "\xCF\xF0\xE8");  // "При"
  store.WriteInteger(HKLM, "A", "n", -3);
  store.WriteBinary(HKCU, "A", "b", {0x0F, 0xA0});
  store.ReadValue(HKCU, "A", "b");
  store.CreateKey(HKCU, "C");
  store.DeleteValue(HKCU, "A", "b");
  store.DeleteValue(HKCU, "A", "missing");
  store.DeleteKey(HKCU, "A");
  EXPECT_EQ(trace.Lines(),
            (std::vector<std::string>{
                R"({"t":5,"ev":"registry","op":"write","root":"HKCU","key":"A\\B","name":"Name","value":"При"})",
                R"({"t":5,"ev":"registry","op":"write","root":"HKLM","key":"A","name":"n","value":-3})",
                R"({"t":5,"ev":"registry","op":"write","root":"HKCU","key":"A","name":"b","value":"0fa0"})",
                R"({"t":5,"ev":"registry","op":"delete","root":"HKCU","key":"A","name":"b"})",
                R"({"t":5,"ev":"registry","op":"delete-key","root":"HKCU","key":"A"})",
            }));
}

TEST(SettingsStore, ABatchReplacesTheFileOnceWithAllItsChanges) {
  test::TempDir dir;
  Trace trace([] { return std::uint64_t(5); });
  trace.KeepLines(true);
  SettingsStore store(dir.Path(), &trace);
  ASSERT_TRUE(store.WriteString(HKCU, kKey, "user3", "old"));
  ASSERT_TRUE(store.WriteInteger(HKCU, kKey, "BGSoundSong", 1));
  const std::size_t tracedBefore = trace.Lines().size();

  RegBatch batch;
  batch.WriteInteger(kKey, "BGSoundSong", 4);
  batch.WriteInteger(kKey + "\\New", "BGSoundPos", 1234);  // the key is made
  batch.Delete(kKey, "user3");
  batch.Delete(kKey, "user4");  // missing: no failure
  int files = 0;
  SetAtomicFileFaultHook([&](AtomicFileStep step) {
    files += step == AtomicFileStep::Create;
    return true;
  });
  EXPECT_TRUE(store.Apply(HKCU, batch));
  SetAtomicFileFaultHook({});
  EXPECT_EQ(files, 1);

  SettingsStore fresh(dir.Path());
  EXPECT_EQ(fresh.ReadInteger(HKCU, kKey, "BGSoundSong"), 4);
  EXPECT_EQ(fresh.ReadInteger(HKCU, kKey + "\\New", "BGSoundPos"), 1234);
  EXPECT_FALSE(fresh.ReadValue(HKCU, kKey, "user3"));
  // Traced like single writes; only a value that was there is traced deleted.
  const std::vector<std::string> lines = trace.Lines();
  ASSERT_EQ(lines.size(), tracedBefore + 3);
  EXPECT_NE(lines[tracedBefore].find(R"("name":"BGSoundSong","value":4)"), std::string::npos);
  EXPECT_NE(lines[tracedBefore + 2].find(R"("op":"delete","root":"HKCU","key":"SOFTWARE\\VOMAR\\Trivion","name":"user3")"),
            std::string::npos)
      << lines[tracedBefore + 2];
}

TEST(SettingsStore, ABatchThatFailsChangesNothing) {
  test::TempDir dir;
  SettingsStore store(dir.Path());
  ASSERT_TRUE(store.WriteInteger(HKCU, kKey, "A", 1));
  const std::string file = test::ReadFile(store.FileOf(HKCU));

  RegBatch badName;
  badName.WriteInteger(kKey, "A", 2);
  badName.WriteInteger(kKey, std::string(20000, 'x'), 3);  // no value may be named so long
  EXPECT_FALSE(store.Apply(HKCU, badName));
  EXPECT_EQ(store.ReadInteger(HKCU, kKey, "A"), 1);
  EXPECT_EQ(test::ReadFile(store.FileOf(HKCU)), file);
}

TEST(SettingsStore, ChangesMadeElsewhereArePickedUp) {
  test::TempDir dir;
  SettingsStore mine(dir.Path());
  SettingsStore theirs(dir.Path());  // stands for another instance of the program
  EXPECT_TRUE(mine.WriteInteger(HKCU, kKey, "BGSoundSong", 1));
  EXPECT_EQ(theirs.ReadInteger(HKCU, kKey, "BGSoundSong"), 1);
  EXPECT_TRUE(theirs.WriteInteger(HKCU, kKey, "BGSoundSong", 2));
  EXPECT_EQ(mine.ReadInteger(HKCU, kKey, "BGSoundSong"), 2);
  EXPECT_TRUE(theirs.DeleteKey(HKCU, "SOFTWARE"));
  EXPECT_FALSE(mine.KeyExists(HKCU, kKey));

  // A person edits the file in place, by hand: BOM, CRLF, comments, blanks,
  // spaces around '=', upper-case hex, short dwords.
  test::WriteFile(dir / "HKEY_CURRENT_USER.reg",
                  "\xEF\xBB\xBFtrivion-settings 1\r\n; by hand\r\n\r\n  [Software\\Vomar\\Игра]  \r\n"
                  "\"user1\" = \"Вася\\tПупкин\"\r\n# note\r\n\"BGSoundPos\"=dword:2A\r\n"
                  "\"Bin\"=hex: 0A, ff ,00\r\n\"Zero\"=dword:0000000000\r\nend\r\n");
  EXPECT_EQ(mine.ReadString(HKCU, "SOFTWARE\\VOMAR\\\xC8\xE3\xF0\xE0", "user1"),
            "\xC2\xE0\xF1\xFF\t\xCF\xF3\xEF\xEA\xE8\xED");
  EXPECT_EQ(mine.ReadInteger(HKCU, "SOFTWARE\\VOMAR\\\xC8\xE3\xF0\xE0", "BGSoundPos"), 42);
  EXPECT_EQ(mine.ReadInteger(HKCU, "SOFTWARE\\VOMAR\\\xC8\xE3\xF0\xE0", "Zero"), 0);
  EXPECT_EQ(mine.ReadBinary(HKCU, "SOFTWARE\\VOMAR\\\xC8\xE3\xF0\xE0", "Bin"),
            (std::vector<std::uint8_t>{0x0A, 0xFF, 0x00}));
  // Writing keeps the hand-made values.
  EXPECT_TRUE(theirs.WriteInteger(HKCU, "SOFTWARE\\VOMAR\\\xC8\xE3\xF0\xE0", "BGSoundSong", 3));
  EXPECT_EQ(mine.ReadInteger(HKCU, "SOFTWARE\\VOMAR\\\xC8\xE3\xF0\xE0", "BGSoundPos"), 42);
  EXPECT_EQ(mine.ReadInteger(HKCU, "SOFTWARE\\VOMAR\\\xC8\xE3\xF0\xE0", "BGSoundSong"), 3);
}

TEST(SettingsStore, InterleavedWritersKeepEachOthersValues) {
  test::TempDir dir;
  SettingsStore a(dir.Path());
  SettingsStore b(dir.Path());
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(a.WriteInteger(HKCU, kKey, "a" + std::to_string(i), i));
    ASSERT_TRUE(b.WriteInteger(HKCU, kKey, "b" + std::to_string(i), i));
    // The same value from both sides, same size each time: the last one wins.
    ASSERT_TRUE(a.WriteInteger(HKCU, kKey, "shared", 1000 + i));
    ASSERT_TRUE(b.WriteInteger(HKCU, kKey, "shared", 2000 + i));
  }
  SettingsStore c(dir.Path());
  for (int i = 0; i < 30; ++i) {
    EXPECT_EQ(c.ReadInteger(HKCU, kKey, "a" + std::to_string(i)), i);
    EXPECT_EQ(c.ReadInteger(HKCU, kKey, "b" + std::to_string(i)), i);
  }
  EXPECT_EQ(c.ReadInteger(HKCU, kKey, "shared"), 2029);
  EXPECT_EQ(a.ReadInteger(HKCU, kKey, "shared"), 2029);
}

TEST(SettingsStore, ProcessesWritingAtTheSameTimeKeepEachOthersValues) {
  test::TempDir dir;
  constexpr int kCount = 40;
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int failures = 0;
    {
      SettingsStore store(dir.Path());
      for (int i = 0; i < kCount; ++i)
        if (!store.WriteInteger(HKCU, kKey, "child" + std::to_string(i), i)) ++failures;
    }
    _exit(failures == 0 ? 0 : 1);
  }
  SettingsStore store(dir.Path());
  for (int i = 0; i < kCount; ++i) EXPECT_TRUE(store.WriteString(HKCU, kKey, "parent" + std::to_string(i), "p"));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  SettingsStore after(dir.Path());
  EXPECT_EQ(after.ValueNames(HKCU, kKey).size(), 2u * kCount);
  for (int i = 0; i < kCount; ++i) {
    EXPECT_EQ(after.ReadInteger(HKCU, kKey, "child" + std::to_string(i)), i);
    EXPECT_EQ(after.ReadString(HKCU, kKey, "parent" + std::to_string(i)), "p");
  }
  EXPECT_TRUE(DamagedFiles(dir.Path()).empty());
}

TEST(SettingsStore, ReplacesTheFileAtomically) {
  test::TempDir dir;
  {
    SettingsStore store(dir.Path());
    ASSERT_TRUE(store.WriteInteger(HKCU, kKey, "kept", 7));
  }
  // A writer died after filling its temporary file.
  const fs::path temp = dir / ".HKEY_CURRENT_USER.reg.tmp";
  test::WriteFile(temp, "trivion-settings 1\n[Crashed]\n\"x\"=dword:1\n");
  test::LogCapture log;
  SettingsStore store(dir.Path());
  EXPECT_EQ(store.ReadInteger(HKCU, kKey, "kept"), 7);
  EXPECT_FALSE(store.KeyExists(HKCU, "Crashed"));
  EXPECT_TRUE(store.WriteInteger(HKCU, kKey, "more", 8));
  EXPECT_FALSE(fs::exists(temp));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".HKEY_CURRENT_USER.lock", "HKEY_CURRENT_USER.reg"}));
  SettingsStore again(dir.Path());
  EXPECT_EQ(again.ReadInteger(HKCU, kKey, "kept"), 7);
  EXPECT_EQ(again.ReadInteger(HKCU, kKey, "more"), 8);
  EXPECT_FALSE(again.KeyExists(HKCU, "Crashed"));
  EXPECT_TRUE(log.Lines().empty()) << log.All();
}

TEST(SettingsStore, DamagedFilesAreSetAsideAndTheStoreGoesOn) {
  const std::string head = "trivion-settings 1\n[K]\n";
  struct Case {
    std::string content;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"", "bad header"},
      {"[K]\n\"v\"=dword:1\nend\n", "bad header"},
      {"trivion-settings 2\n[K]\nend\n", "unsupported format version"},
      {head + "v=dword:1\nend\n", "unparsable line"},
      {head + "\"v\"=\"a\\qb\"\nend\n", "bad escape"},
      {head + "\"v\"=\"a\\x4\"\nend\n", "bad \\x escape"},
      {head + "\"v\"=\"abc\nend\n", "missing closing quote"},
      {head + "\"v\"=\"abc\" x\nend\n", "text after the closing quote"},
      {head + "\"v\"=hex:0g\nend\n", "bad hex"},
      {head + "\"v\"=hex:01,\nend\n", "bad hex"},
      {head + "\"v\"=hex:012\nend\n", "bad hex"},
      {head + "\"v\"=dword:100000000\nend\n", "integer out of range"},
      {head + "\"v\"=dword:-1\nend\n", "bad integer"},
      {head + "\"v\"=qword:1\nend\n", "unknown value type"},
      {head + "\"v\"=\"\xC3\x28\"\nend\n", "malformed UTF-8"},
      {head + "\"v\"=\"\xC3\xBC\"\nend\n", "no CP1251 form"},  // ü
      {head + "[A%4\nend\n", "unparsable key line"},
      {head + "[A%4]\nend\n", "bad %-escape"},
      {head + "[A%5Cb]\nend\n", "backslash inside a key name"},
      {"trivion-settings 1\n\"v\"=dword:1\nend\n", "value before any key"},
      {head + "\"v\"=dword:1\n", "end marker is missing"},
      {head + "\"v\"=dword:1\nend\n\"w\"=dword:2\n", "text after the end marker"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    test::TempDir dir;
    test::WriteFile(dir / "HKEY_CURRENT_USER.reg", c.content);
    test::WriteFile(dir / "HKEY_LOCAL_MACHINE.reg", "trivion-settings 1\n[K]\n\"v\"=dword:5\nend\n");
    test::LogCapture log;
    SettingsStore store(dir.Path());
    EXPECT_FALSE(store.KeyExists(HKCU, "K"));
    EXPECT_EQ(store.ReadInteger(HKLM, "K", "v"), 5);  // the other root is unharmed
    const auto damaged = DamagedFiles(dir.Path());
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_EQ(test::ReadFile(dir / damaged[0]), c.content);  // set aside untouched
    ASSERT_EQ(log.Lines().size(), 1u) << log.All();
    EXPECT_EQ(log.Lines()[0].rfind("registry: ", 0), 0u);
    EXPECT_NE(log.Lines()[0].find(c.reason), std::string::npos) << log.All();
    EXPECT_NE(log.Lines()[0].find(damaged[0]), std::string::npos) << log.All();
    // The store works on, and writes a sound file again.
    EXPECT_TRUE(store.WriteInteger(HKCU, "K", "v", 9));
    EXPECT_EQ(SettingsStore(dir.Path()).ReadInteger(HKCU, "K", "v"), 9);
    EXPECT_EQ(log.Lines().size(), 1u) << log.All();
  }
}

TEST(SettingsStore, OversizedOrOddFilesAreSetAside) {
  test::TempDir dir;
  const fs::path file = dir / "HKEY_CURRENT_USER.reg";
  {
    test::WriteFile(file, "trivion-settings 1\n");
    fs::resize_file(file, (16u << 20) + 1);  // sparse, cheap
    test::LogCapture log;
    SettingsStore store(dir.Path());
    EXPECT_TRUE(store.SubKeys(HKCU, "").empty());
    EXPECT_TRUE(log.Contains("larger than 16 MB")) << log.All();
    EXPECT_EQ(DamagedFiles(dir.Path()).size(), 1u);
  }
  for (const auto& d : DamagedFiles(dir.Path())) fs::remove(dir / d);
  {
    fs::create_directory(file);  // a folder where the file should be
    test::LogCapture log;
    SettingsStore store(dir.Path());
    EXPECT_FALSE(store.KeyExists(HKCU, "K"));
    EXPECT_TRUE(log.Contains("not a regular file")) << log.All();
    EXPECT_TRUE(store.WriteInteger(HKCU, "K", "v", 1));
    EXPECT_TRUE(fs::is_regular_file(file));
  }
  // A write that would make the file too large is refused, and nothing is lost.
  SettingsStore store(dir.Path());
  test::LogCapture log;
  EXPECT_FALSE(store.WriteBinary(HKCU, "K", "huge", std::vector<std::uint8_t>(6u << 20, 0xAB)));
  EXPECT_TRUE(log.Contains("exceed 16 MB")) << log.All();
  EXPECT_FALSE(store.ReadValue(HKCU, "K", "huge"));
  EXPECT_EQ(store.ReadInteger(HKCU, "K", "v"), 1);
  EXPECT_EQ(SettingsStore(dir.Path()).ValueNames(HKCU, "K"), std::vector<std::string>{"v"});
}

TEST(SettingsStore, ACutFileNeverYieldsPartialSettings) {
  test::TempDir source;
  {
    SettingsStore store(source.Path());
    store.WriteString(HKCU, kKey, "user1", "\xC2\xE0\xF1\xFF \\ \"x\"");
    store.WriteInteger(HKCU, kKey, "BGSoundPos", 123456);
    store.WriteBinary(HKCU, kKey + "\\Sub", "b", {1, 2, 3, 4, 5, 6, 7, 8});
    store.WriteBool(HKCU, "Other", "SwGrp1", true);
  }
  const std::string full = test::ReadFile(source / "HKEY_CURRENT_USER.reg");
  ASSERT_EQ(full.substr(full.size() - 5), "\nend\n");
  test::TempDir dir;
  const fs::path file = dir / "HKEY_CURRENT_USER.reg";
  // Every cut that loses any part of the end marker.
  for (std::size_t cut = 0; cut + 1 < full.size(); ++cut) {
    SCOPED_TRACE(cut);
    test::WriteFile(file, full.substr(0, cut));
    test::LogCapture log;
    SettingsStore store(dir.Path());
    EXPECT_TRUE(store.SubKeys(HKCU, "").empty());
    EXPECT_FALSE(store.ReadValue(HKCU, kKey, "user1"));
    EXPECT_FALSE(fs::exists(file));
    auto damaged = DamagedFiles(dir.Path());
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_EQ(test::ReadFile(dir / damaged[0]).size(), cut);
    EXPECT_TRUE(log.Contains("damaged")) << log.All();
    fs::remove(dir / damaged[0]);
  }
  // Only the final line break missing: complete.
  test::WriteFile(file, full.substr(0, full.size() - 1));
  SettingsStore store(dir.Path());
  EXPECT_EQ(store.ReadInteger(HKCU, kKey, "BGSoundPos"), 123456);
  EXPECT_EQ(store.ReadBinary(HKCU, kKey + "\\Sub", "b"), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(SettingsStore, DefaultDirFollowsXdgConfigHome) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const char* oldHome = std::getenv("HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";
  setenv("XDG_CONFIG_HOME", "/x/config", 1);
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(SettingsStore::DefaultDir(), fs::path("/x/config/trivion"));
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(SettingsStore::DefaultDir(), fs::path("/home/someone/.config/trivion"));
  setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
  EXPECT_EQ(SettingsStore::DefaultDir(), fs::path("/home/someone/.config/trivion"));
  oldXdg ? setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
  oldHome ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
}

}  // namespace
}  // namespace trv
