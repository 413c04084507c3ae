// The players table: check values, the stored text of a record, sorting,
// the twelve-player limit, locale changes and damaged settings.
#include "game/Users.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <random>

#include "platform/AtomicFile.h"

#include "platform/SettingsStore.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

constexpr RootKey HKCU = RootKey::CurrentUser;
const std::string kKey = "SOFTWARE\\VOMAR\\Trivion";
const std::string kIvan = "\xC8\xE2\xE0\xED";       // "Иван"
const std::string kIvanLower = "\xE8\xE2\xE0\xED";  // "иван"
const std::string kHedgehog = "\xA8\xE6\xE8\xEA";   // "Ёжик"

class FixedClock : public Clock {
 public:
  LocalTime now{2024, 3, 5, 14, 7, 9, 0, 2};
  std::uint64_t NowMs() const override { return 1000; }
  LocalTime Now() const override { return now; }
};

// A desktop whose date and time look like no common default.
const DateTimeForm kOddForm{',', "yyyy/MM/dd", "HH.mm.ss"};
const DateTimeForm kOtherOddForm{'.', "d-M-yy", "h.mm.ss tt"};

class UsersTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  SettingsStore store{dir.Path()};
  FixedClock clock;

  TUsers Make(std::optional<DateTimeForm> desktop = std::nullopt) {
    TUsers users(store, "Trivion", clock, desktop);
    users.SetDigitSource([] { return 7; });
    return users;
  }
  // A record written the way the shell's own commit writes it, under `form`.
  std::string Record(const std::string& name, std::uint32_t score, DateTime date, int r = 3,
                     const DateTimeForm& form = StoredDateTimeForm()) {
    const std::string s = std::to_string(score);
    return name + "\n" + s + "\n" + DateTimeText(date, form.decimalSeparator) + "\n" +
           UserCheck(r, name, s, FormatDateTime(date, form).value());
  }
  void Put(int i, const std::string& value) {
    ASSERT_TRUE(store.WriteString(HKCU, kKey, "user" + std::to_string(i), value));
  }
  std::optional<std::string> Get(int i) {
    return store.ReadString(HKCU, kKey, "user" + std::to_string(i));
  }
  static std::vector<std::string> Names(const TUsers& users) {
    std::vector<std::string> names;
    for (const TUser& u : users.List()) names.push_back(u.Name);
    return names;
  }
  static std::vector<std::string> Loaded(TUsers& users) {
    users.Count();
    return Names(users);
  }
  void Play(TUsers& users, const std::string& name, std::uint32_t score) {
    users.SetCurrentName(name);
    users.SetCurrentScore(score);
    users.Commit();
  }
};

TEST(UsersCheck, MatchesHandComputedDigests) {
  // MD5 of "2user342" "Иван"(CP1251) "1500" "05.03.2024 14:07:09" "user2", and
  // of "9user35129" "Ёжик" "0" "31.12.1999 23:59:59" "user9", computed elsewhere.
  EXPECT_EQ(UserCheck(2, kIvan, "1500", "05.03.2024 14:07:09"),
            "271439fa8da730da70f75333a6f23fec4");
  EXPECT_EQ(UserCheck(9, kHedgehog, "0", "31.12.1999 23:59:59"),
            "919bd16d5b702545d2d89ff77f3264d40");
  // Any change of a part changes the digest.
  EXPECT_NE(UserCheck(2, kIvanLower, "1500", "05.03.2024 14:07:09"),
            "271439fa8da730da70f75333a6f23fec4");
}

TEST(UsersDates, EncodeFormatAndReadBack) {
  const DateTime d = EncodeDateTime(LocalTime{2024, 3, 5, 14, 7, 9});
  EXPECT_NEAR(d, 45356.58829861111, 1e-9);
  EXPECT_EQ(DateTimeText(d), "45356.5882986111");
  EXPECT_EQ(DateTimeText(d, ','), "45356,5882986111");
  EXPECT_EQ(DateTimeText(45356.0), "45356");
  EXPECT_EQ(FormatDateTime(d, StoredDateTimeForm()), "05.03.2024 14:07:09");
  EXPECT_EQ(FormatDateTime(d, CommonDateTimeForms()[0]), "05.03.2024 14:07:09");
  EXPECT_EQ(FormatDateTime(d, CommonDateTimeForms()[1]), "3/5/2024 2:07:09 PM");
  EXPECT_EQ(FormatDateTime(d, kOddForm), "2024/03/05 14.07.09");
  EXPECT_EQ(FormatDateTime(EncodeDateTime(LocalTime{1899, 12, 30}), StoredDateTimeForm()),
            "30.12.1899 00:00:00");
  EXPECT_EQ(FormatDateTime(EncodeDateTime(LocalTime{2000, 2, 29, 0, 5, 0}), kOtherOddForm),
            "29-2-00 12.05.00 AM");

  EXPECT_EQ(ParseDateTimeText("45356.5882986111"), 45356.5882986111);
  EXPECT_EQ(ParseDateTimeText("45356,5"), 45356.5);
  EXPECT_EQ(ParseDateTimeText("-1,25"), -1.25);
  for (const char* bad : {"", "inf", "nan", "1e400", "45356,5.1", "0x10", "12 3", "3000000",
                          "-700000", "45356;5"})
    EXPECT_FALSE(ParseDateTimeText(bad)) << bad;
  EXPECT_FALSE(FormatDateTime(1e300, StoredDateTimeForm()));
}

TEST(UsersDates, DesktopFormComesFromTheLocaleEnvironment) {
  const char* saved = std::getenv("LC_ALL");
  const std::string keep = saved ? saved : "";
  setenv("LC_ALL", "C", 1);
  const std::optional<DateTimeForm> form = DesktopDateTimeForm();
  if (saved) setenv("LC_ALL", keep.c_str(), 1); else unsetenv("LC_ALL");
  ASSERT_TRUE(form);
  EXPECT_EQ(*form, (DateTimeForm{'.', "MM/dd/yy", "HH:mm:ss"}));
}

TEST_F(UsersTest, RandomCheckDigitsLoadBack) {
  TUsers users(store, "Trivion", clock);
  for (int i = 0; i < 12; ++i) {
    clock.now.second = i;
    Play(users, "R" + std::to_string(i), 10u + i);
    const std::string& check = users.List()[0].Check;
    ASSERT_EQ(check.size(), 33u);
    EXPECT_GE(check[0], '0');
    EXPECT_LE(check[0], '9');
  }
  TUsers again(store, "Trivion", clock);
  EXPECT_EQ(again.Count(), 12);
}

TEST_F(UsersTest, CommitWritesTheFixedFormWhateverTheDesktop) {
  TUsers users = Make(kOddForm);
  Play(users, "  " + kIvan + "  ", 1500);
  // r = 7: "7user31287" + name + score + date, all in the stored form.
  EXPECT_EQ(Get(1), kIvan + "\n1500\n45356.5882986111\n" +
                        UserCheck(7, kIvan, "1500", "05.03.2024 14:07:09"));
  EXPECT_FALSE(Get(2));
  ASSERT_EQ(users.Count(), 1);
  EXPECT_EQ(users.Entry(0)->Name, kIvan);
  EXPECT_EQ(users.CurrentScore(), 1500u);
}

TEST_F(UsersTest, LoadSortsByScoreThenEarlierDate) {
  Put(1, Record("A", 100, 45000.5));
  Put(2, Record("B", 300, 45002.0));
  Put(3, Record("C", 100, 45000.25));
  Put(4, Record("D", 0, 1.0));
  TUsers users = Make();
  EXPECT_EQ(users.Count(), 4);
  EXPECT_EQ(Names(users), (std::vector<std::string>{"B", "C", "A", "D"}));
  EXPECT_EQ(users.Entry(1)->Date, 45000.25);
  EXPECT_EQ(users.Entry(2)->Score, 100u);
  EXPECT_FALSE(users.Entry(4));
  EXPECT_FALSE(users.Entry(-1));
}

TEST_F(UsersTest, ReadingStopsAtTheFirstMissingOrEmptyValue) {
  Put(1, Record("A", 10, 45000.5));
  Put(2, "");
  Put(3, Record("C", 30, 45000.5));
  Put(5, Record("E", 50, 45000.5));
  TUsers users = Make();
  EXPECT_EQ(Loaded(users), std::vector<std::string>{"A"});
  store.DeleteValue(HKCU, kKey, "user2");
  users.Load();
  EXPECT_EQ(Names(users), std::vector<std::string>{"A"});
  Put(2, Record("B", 20, 45000.5));
  users.Load();
  EXPECT_EQ(Names(users), (std::vector<std::string>{"C", "B", "A"}));  // user4 is missing
}

TEST_F(UsersTest, BetterScoreReplacesAndLowerScoreKeepsTheStoredRecord) {
  TUsers users = Make();
  Play(users, kIvan, 500);
  const DateTime first = users.List()[0].Date;

  clock.now = LocalTime{2024, 3, 6, 9, 0, 0};
  Play(users, kIvanLower, 400);  // same player, lower case: nothing changes
  Play(users, kIvanLower, 500);  // equal: nothing changes either
  ASSERT_EQ(users.Count(), 1);
  EXPECT_EQ(users.List()[0].Score, 500u);
  EXPECT_EQ(users.List()[0].Date, first);
  EXPECT_EQ(users.List()[0].Name, kIvan);  // the first form entered stays

  Play(users, " " + kIvanLower, 900);
  TUsers again = Make();
  ASSERT_EQ(again.Count(), 1);
  EXPECT_EQ(again.Entry(0)->Score, 900u);
  EXPECT_EQ(again.Entry(0)->Name, kIvan);
  EXPECT_EQ(FormatDateTime(again.Entry(0)->Date, StoredDateTimeForm()), "06.03.2024 09:00:00");
}

TEST_F(UsersTest, BlankNameStoresNothing) {
  TUsers users = Make();
  Play(users, " \t ", 700);
  Play(users, "", 700);
  EXPECT_EQ(users.Count(), 0);
  EXPECT_TRUE(store.ValueNames(HKCU, kKey).empty());
}

TEST_F(UsersTest, ThirteenPlayersKeepTheTwelveBest) {
  TUsers users = Make();
  for (int i = 1; i <= 12; ++i) Play(users, "P" + std::to_string(i), 100u * i);
  EXPECT_EQ(users.Count(), 12);
  // The thirteenth is better than the worst: the worst goes.
  Play(users, "New", 150);
  EXPECT_EQ(users.Count(), 12);
  EXPECT_FALSE(users.IsRegistered("P1"));
  EXPECT_TRUE(users.IsRegistered("new"));
  EXPECT_FALSE(Get(13));
  // A fourteenth worse than all is not kept.
  Play(users, "Weak", 1);
  EXPECT_EQ(users.Count(), 12);
  EXPECT_FALSE(users.IsRegistered("Weak"));

  TUsers again = Make();
  ASSERT_EQ(again.Count(), 12);
  EXPECT_EQ(again.Entry(0)->Name, "P12");
  EXPECT_EQ(again.Entry(10)->Name, "P2");
  EXPECT_EQ(again.Entry(11)->Name, "New");
  EXPECT_EQ(again.Entry(11)->Score, 150u);
}

TEST_F(UsersTest, ARecordWrittenHereSurvivesALocaleChange) {
  {
    TUsers users = Make(kOddForm);
    Play(users, kHedgehog, 321);
  }
  TUsers later = Make(kOtherOddForm);
  ASSERT_EQ(later.Count(), 1);
  EXPECT_EQ(later.Entry(0)->Name, kHedgehog);
  EXPECT_EQ(later.Entry(0)->Score, 321u);
}

TEST_F(UsersTest, RecordsInADesktopFormAreReadAndRewrittenInTheFixedForm) {
  const DateTime d = 45100.75;
  // Written by a desktop with comma decimals and its own date and time pictures.
  Put(1, Record(kIvan, 800, d, 4, kOddForm));
  // The common Russian and US desktop defaults are always understood.
  Put(2, Record("Ru", 700, d, 5, CommonDateTimeForms()[0]));
  Put(3, Record("Us", 600, d, 6, CommonDateTimeForms()[1]));
  {
    TUsers elsewhere = Make(kOtherOddForm);
    EXPECT_EQ(Loaded(elsewhere),
              (std::vector<std::string>{"Ru", "Us"}));  // the odd form is unknown here
  }
  TUsers users = Make(kOddForm);
  ASSERT_EQ(users.Count(), 3);
  EXPECT_EQ(users.Entry(0)->Date, d);
  Play(users, "Ru", 1);  // any commit saves the table again
  EXPECT_EQ(Get(1), Record(kIvan, 800, d, 4));
  EXPECT_EQ(Get(2), Record("Ru", 700, d, 5));

  TUsers elsewhere = Make(kOtherOddForm);
  EXPECT_EQ(Loaded(elsewhere),
            (std::vector<std::string>{kIvan, "Ru", "Us"}));
}

TEST_F(UsersTest, DuplicateNamesMergeIntoTheBetterRecord) {
  test::LogCapture log;
  Put(1, Record(kIvan, 100, 45000.0));
  Put(2, Record(kIvanLower, 200, 45001.0));
  Put(3, Record("Bob", 50, 45003.0));
  Put(4, Record("BOB", 50, 45002.0));  // equal score: the earlier date is better
  TUsers users = Make();
  ASSERT_EQ(users.Count(), 2);
  EXPECT_EQ(users.Entry(0)->Name, kIvanLower);
  EXPECT_EQ(users.Entry(0)->Score, 200u);
  EXPECT_EQ(users.Entry(1)->Name, "BOB");
  EXPECT_EQ(users.Entry(1)->Date, 45002.0);
  EXPECT_TRUE(log.Contains("stored twice")) << log.All();
}

TEST_F(UsersTest, ValuesBeyondTheLastWrittenAreRemoved) {
  Put(1, Record("A", 300, 45000.0));
  Put(2, Record("B", 200, 45000.0) + "0");  // damaged
  Put(3, Record("C", 100, 45000.0));
  store.WriteString(HKCU, kKey, "user13", "left alone");
  TUsers users = Make();
  EXPECT_EQ(users.Count(), 2);
  Play(users, "A", 10);  // lower: changes nothing, saves two records
  EXPECT_EQ(Get(1), Record("A", 300, 45000.0));
  EXPECT_EQ(Get(2), Record("C", 100, 45000.0));
  EXPECT_FALSE(Get(3));
  EXPECT_EQ(Get(13), "left alone");  // not a record of the table

  TUsers again = Make();
  EXPECT_EQ(Loaded(again), (std::vector<std::string>{"A", "C"}));
}

TEST_F(UsersTest, ADateWithMoreDigitsThanTheTextKeepsItsRecordWhenSavedAgain) {
  // 00:00:00.9995 minus a hair: 00:00:00 as written, but its 15-digit text
  // reads as 00:00:01. The check must be made for the date that is stored.
  const std::string longDate = "45100.000011568285";
  const DateTime date = ParseDateTimeText(longDate).value();
  const std::string shortDate = DateTimeText(date);
  ASSERT_EQ(FormatDateTime(date, StoredDateTimeForm()), "23.06.2023 00:00:00");
  ASSERT_EQ(FormatDateTime(ParseDateTimeText(shortDate).value(), StoredDateTimeForm()), "23.06.2023 00:00:01");
  Put(1, "Long\n900\n" + longDate + "\n" + UserCheck(2, "Long", "900", "23.06.2023 00:00:00"));
  TUsers users = Make();
  ASSERT_EQ(Loaded(users), (std::vector<std::string>{"Long"}));
  Play(users, "Other", 5);  // any commit saves the whole table again

  TUsers again = Make();
  EXPECT_EQ(Loaded(again), (std::vector<std::string>{"Long", "Other"}));
  EXPECT_EQ(again.List(), users.List());  // the table shown is the table stored
  EXPECT_EQ(Get(1), Record("Long", 900, ParseDateTimeText(shortDate).value(), 2));
}

TEST_F(UsersTest, DamagedValuesAreSkippedWithALogLine) {
  test::LogCapture log;
  const std::string good = Record("Good", 5, 45000.0);
  const std::string check = UserCheck(3, "X", "5", "01.01.2020 00:00:00");
  Put(1, "X\n5\n45000\n" + check + "\nextra");         // five pieces
  Put(2, "X\n5\n" + check);                            // three pieces
  Put(3, "X\n5\n44997\n" + check);                     // date differs from the check
  Put(4, "X\n5\n44997\nz" + check.substr(1));          // no digit
  Put(5, "X\n5x\n44997\n" + check);                    // score not a number
  Put(6, "X\n4294967296\n44997\n" + check);            // score out of range
  Put(7, "X\n5\nnan\n" + check);                       // date not a number
  ASSERT_TRUE(store.WriteInteger(HKCU, kKey, "user8", 7));
  ASSERT_TRUE(store.WriteBinary(HKCU, kKey, "user9", {1, 2, 3}));
  Put(10, good + " ");                                 // the last piece is not trimmed
  // Earlier pieces are trimmed and empty ones dropped.
  Put(11, "  Spaced \r\n\n\n 9\t\n45000\r\n" + UserCheck(1, "Spaced", "9", "15.03.2023 00:00:00"));
  Put(12, good);
  TUsers users = Make();
  EXPECT_EQ(Loaded(users), (std::vector<std::string>{"Spaced", "Good"}));
  for (int i : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})
    EXPECT_TRUE(log.Contains("user" + std::to_string(i) + ": skipped")) << i << "\n" << log.All();
  EXPECT_FALSE(log.Contains("user12: skipped"));
}

TEST_F(UsersTest, IsRegisteredIgnoresCaseAndSpaces) {
  TUsers users = Make();
  Play(users, kHedgehog, 10);
  EXPECT_TRUE(users.IsRegistered("  \xB8\xC6\xC8\xCA "));  // "ёЖИК"
  EXPECT_FALSE(users.IsRegistered("\xE5\xE6\xE8\xEA"));    // "ежик": е is another letter
  EXPECT_FALSE(users.IsRegistered(""));
}

TEST_F(UsersTest, ControlCharactersInANameDoNotLoseTheRecord) {
  TUsers users = Make();
  Play(users, "Two\nLines", 10);
  TUsers again = Make();
  ASSERT_EQ(again.Count(), 1);
  EXPECT_EQ(again.Entry(0)->Name, "Two Lines");
}

TEST_F(UsersTest, CommitBeforeAnyLoadKeepsTheStoredTable) {
  Put(1, Record("Old", 999, 45000.0));
  TUsers users = Make();
  Play(users, "New", 5);
  TUsers again = Make();
  EXPECT_EQ(Loaded(again), (std::vector<std::string>{"Old", "New"}));
}

// Names and scores, the part of a table a player sees.
using Table = std::vector<std::pair<std::string, std::uint32_t>>;

Table TableIn(const std::filesystem::path& dir, Clock& clock) {
  SettingsStore store(dir);
  TUsers users(store, "Trivion", clock, std::nullopt);
  users.Count();
  Table t;
  for (const TUser& u : users.List()) t.emplace_back(u.Name, u.Score);
  return t;
}

TEST_F(UsersTest, ASaveStoppedAtAnyStepLeavesTheOldTableOrTheNew) {
  auto fill = [&](const std::filesystem::path& d) {
    SettingsStore s(d);
    TUsers users(s, "Trivion", clock, std::nullopt);
    for (int i = 1; i <= 12; ++i) Play(users, "P" + std::to_string(i), std::uint32_t(i * 100));
  };
  // The table after a save that went through: the new leader pushes P1 out.
  test::TempDir reference;
  fill(reference.Path());
  const Table before = TableIn(reference.Path(), clock);
  {
    SettingsStore s(reference.Path());
    TUsers users(s, "Trivion", clock, std::nullopt);
    Play(users, "Top", 5000);
  }
  const Table after = TableIn(reference.Path(), clock);
  ASSERT_EQ(after.size(), 12u);
  ASSERT_NE(before, after);

  // The process dies before step `stop` of the save: that step and all after
  // it never happen.
  bool reachedEnd = false;
  for (int stop = 0; !reachedEnd && stop < 1000; ++stop) {
    test::TempDir d;
    fill(d.Path());
    int steps = 0;
    SetAtomicFileFaultHook([&](AtomicFileStep) { return steps++ < stop; });
    {
      SettingsStore s(d.Path());
      TUsers users(s, "Trivion", clock, std::nullopt);
      Play(users, "Top", 5000);
    }
    SetAtomicFileFaultHook({});
    reachedEnd = steps <= stop;
    const Table found = TableIn(d.Path(), clock);
    EXPECT_TRUE(found == before || found == after) << "stopped before step " << stop << ": " << found.size()
                                                   << " records, first " << (found.empty() ? "" : found[0].first);
  }
  EXPECT_TRUE(reachedEnd);
}

// A real kill: a child saves tables in a loop and is killed at random moments;
// the file always holds a whole table, the twelve latest leaders in a row.
TEST_F(UsersTest, AKilledSaveNeverLosesAPlayer) {
  {
    TUsers users = Make();
    for (int g = 1; g <= 12; ++g) Play(users, "G" + std::to_string(g), std::uint32_t(1000 + g));
  }
  std::mt19937 random(12345);
  for (int round = 0; round < 12; ++round) {
    const Table table = TableIn(dir.Path(), clock);
    ASSERT_EQ(table.size(), 12u) << "round " << round;
    for (std::size_t i = 1; i < table.size(); ++i)
      ASSERT_EQ(table[i].second + 1, table[i - 1].second) << "round " << round << ": a player is missing after "
                                                          << table[i - 1].first;
    const std::uint32_t next = table[0].second + 1;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      SettingsStore s(dir.Path());
      TUsers users(s, "Trivion", clock, std::nullopt);
      for (std::uint32_t score = next;; ++score) {
        users.SetCurrentName("G" + std::to_string(score - 1000));
        users.SetCurrentScore(score);
        users.Commit();
      }
    }
    ::usleep(useconds_t(2000 + random() % 20000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
  }
}

}  // namespace
}  // namespace trv
