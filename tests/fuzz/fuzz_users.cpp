// The best-players table over arbitrary stored records. The input is split at
// zero bytes: the first piece may name a desktop date form ("sep|date|time"),
// each further piece is one record "user1".."user12". A piece starting with an
// odd byte holds only "name\nscore\ndate", and gets the check value a desktop
// of one of the accepted forms would have written, so that loading, merging
// and sorting run on records that pass their check. After loading, one result
// is committed, and a fresh table must read back exactly the table saved.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "MemRegistry.h"
#include "game/Users.h"
#include "platform/Log.h"
#include "platform/Text.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

class FixedClock : public trv::Clock {
 public:
  std::uint64_t NowMs() const override { return 0; }
  trv::LocalTime Now() const override { return {2026, 12, 11, 0, 30, 15, 250, 5}; }
};

std::vector<std::string_view> Split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

// "name\nscore\ndate" with the check of digit `r` in `form`; as given when the
// date does not read.
std::string Signed(std::string_view fields, int r, const trv::DateTimeForm& form) {
  const std::vector<std::string_view> f = Split(fields, '\n');
  if (f.size() != 3) return std::string(fields);
  const std::optional<trv::DateTime> date = trv::ParseDateTimeText(f[2]);
  const std::optional<std::string> text = date ? trv::FormatDateTime(*date, form) : std::nullopt;
  if (!text) return std::string(fields);
  return std::string(fields) + "\n" + trv::UserCheck(r, f[0], f[1], *text);
}

bool Sorted(const trv::TUsersList& list) {
  for (std::size_t i = 1; i < list.size(); ++i) {
    const trv::TUser &a = list[i - 1], &b = list[i];
    if (a.Score < b.Score || (a.Score == b.Score && a.Date > b.Date)) return false;
  }
  return true;
}

bool DistinctNames(const trv::TUsersList& list) {
  for (std::size_t i = 0; i < list.size(); ++i)
    for (std::size_t j = i + 1; j < list.size(); ++j)
      if (trv::Lower1251(trv::Trim(list[i].Name)) == trv::Lower1251(trv::Trim(list[j].Name))) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  trv::SetLogFile("/dev/null");  // skipped records are logged; keep the disk out of it
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace trv;
  const std::vector<std::string_view> pieces = Split({reinterpret_cast<const char*>(data), size}, '\0');

  std::optional<DateTimeForm> desktop;
  if (const std::vector<std::string_view> f = Split(pieces[0], '|'); f.size() == 3 && f[0].size() == 1)
    desktop = DateTimeForm{f[0][0], std::string(f[1]), std::string(f[2])};
  std::vector<DateTimeForm> forms = CommonDateTimeForms();
  forms.push_back(StoredDateTimeForm());
  if (desktop) forms.push_back(*desktop);

  const std::string title = "Quiz";
  fuzz::MemRegistry settings;
  const std::string key = "SOFTWARE\\VOMAR\\" + title;
  for (std::size_t i = 1; i < pieces.size() && i <= std::size_t(TUsers::kMaxUsers); ++i) {
    std::string_view piece = pieces[i];
    std::string value;
    if (!piece.empty() && (static_cast<unsigned char>(piece[0]) & 1)) {
      const unsigned mode = static_cast<unsigned char>(piece[0]);
      value = Signed(piece.substr(1), int(mode >> 1) % 10, forms[(mode >> 4) % forms.size()]);
    } else {
      value = std::string(piece.substr(piece.empty() ? 0 : 1));
    }
    settings.WriteString(RootKey::CurrentUser, key, "user" + std::to_string(i), value);
  }

  FixedClock clock;
  TUsers users(settings, title, clock, desktop);
  users.Load();
  Check(users.List().size() <= std::size_t(TUsers::kMaxUsers));
  Check(Sorted(users.List()) && DistinctNames(users.List()));
  for (const TUser& u : users.List()) Check(!u.Check.empty() && u.Check[0] >= '0' && u.Check[0] <= '9');

  users.SetDigitSource([size] { return int(size % 10); });
  users.SetCurrentName("Fuzz Player");
  users.SetCurrentScore(std::uint32_t(size * 37));
  users.Commit();
  // The new player is in unless twelve better ones fill the table.
  Check(users.IsRegistered("fuzz player") || users.List().size() == std::size_t(TUsers::kMaxUsers));
  Check(Sorted(users.List()) && DistinctNames(users.List()));

  TUsers again(settings, title, clock, std::nullopt);  // another desktop reads the fixed form alone
  again.Load();
  Check(again.List() == users.List());
  return 0;
}
