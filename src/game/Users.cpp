#include "game/Users.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "game/Random.h"
#include "platform/Log.h"
#include "platform/Md5.h"
#include "platform/Text.h"

namespace trv {

namespace {

constexpr double kMsPerDay = 86400000.0;
// Day numbers of 1 January 0001 and 1 January 10000 counted from 30 December 1899.
constexpr long long kFirstDay = -693593;
constexpr long long kEndDay = 2958466;
// Day number of 1 January 1970.
constexpr long long kUnixEpochDay = 25569;

// Days from 1 January 1970 to a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

bool InRange(DateTime d) {
  return std::isfinite(d) && d >= static_cast<double>(kFirstDay) &&
         d < static_cast<double>(kEndDay);
}

std::string Padded(int v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), '0');
  return s;
}

// Writes one picture ("dd.MM.yyyy", "h:mm:ss tt") for a decoded time.
std::string ApplyPicture(std::string_view pic, const LocalTime& t) {
  std::string out;
  std::size_t i = 0;
  while (i < pic.size()) {
    const char c = pic[i];
    if (c == '\'' || c == '"') {
      const std::size_t end = pic.find(c, i + 1);
      const std::size_t stop = end == std::string_view::npos ? pic.size() : end;
      out.append(pic.substr(i + 1, stop - i - 1));
      i = stop == pic.size() ? stop : stop + 1;
      continue;
    }
    std::size_t run = 1;
    while (i + run < pic.size() && pic[i + run] == c) ++run;
    const int n = static_cast<int>(run);
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    switch (c) {
      case 'd': out += Padded(t.day, n >= 2 ? 2 : 1); break;
      case 'M': out += Padded(t.month, n >= 2 ? 2 : 1); break;
      case 'y':
        out += n >= 3 ? Padded(t.year, 4) : Padded(t.year % 100, n >= 2 ? 2 : 1);
        break;
      case 'H': out += Padded(t.hour, n >= 2 ? 2 : 1); break;
      case 'h': out += Padded(hour12, n >= 2 ? 2 : 1); break;
      case 'm': out += Padded(t.minute, n >= 2 ? 2 : 1); break;
      case 's': out += Padded(t.second, n >= 2 ? 2 : 1); break;
      case 't': out += n >= 2 ? (t.hour < 12 ? "AM" : "PM") : (t.hour < 12 ? "A" : "P"); break;
      default: out.append(run, c); break;
    }
    i += run;
  }
  return out;
}

// A strftime pattern of the C library's locale as a picture; nullopt for
// conversions the pictures cannot express.
std::optional<std::string> PictureFromStrftime(std::string_view f) {
  std::string out;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char c = f[i];
    if (c != '%') {
      if (std::string_view("dMyHhmst'\"").find(c) != std::string_view::npos) {
        out += '\'';
        out += c;
        out += '\'';
      } else {
        out += c;
      }
      continue;
    }
    if (++i >= f.size()) return std::nullopt;
    char k = f[i];
    if ((k == 'E' || k == 'O' || k == '-' || k == '_' || k == '0') && i + 1 < f.size()) k = f[++i];
    switch (k) {
      case 'd': out += "dd"; break;
      case 'e': out += "d"; break;
      case 'm': out += "MM"; break;
      case 'Y': out += "yyyy"; break;
      case 'y': out += "yy"; break;
      case 'H': out += "HH"; break;
      case 'k': out += "H"; break;
      case 'I': out += "hh"; break;
      case 'l': out += "h"; break;
      case 'M': out += "mm"; break;
      case 'S': out += "ss"; break;
      case 'p': out += "tt"; break;
      case 'T': out += "HH:mm:ss"; break;
      case 'R': out += "HH:mm"; break;
      case 'r': out += "hh:mm:ss tt"; break;
      case 'D': out += "MM/dd/yy"; break;
      case 'F': out += "yyyy-MM-dd"; break;
      case '%': out += '%'; break;
      default: return std::nullopt;
    }
  }
  return out;
}

std::optional<std::uint32_t> ParseScore(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (v > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<std::uint32_t>(v);
}

// The better of two records of one player: the higher score, then the earlier date.
bool Better(const TUser& a, const TUser& b) {
  if (a.Score != b.Score) return a.Score > b.Score;
  return a.Date < b.Date;
}

std::string ValueName(int i) { return "user" + std::to_string(i); }

std::string NameKey(std::string_view name) { return Lower1251(Trim(name)); }

}  // namespace

const DateTimeForm& StoredDateTimeForm() {
  static const DateTimeForm form{'.', "dd.MM.yyyy", "HH:mm:ss"};
  return form;
}

std::optional<DateTimeForm> DesktopDateTimeForm() {
  locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return std::nullopt;
  const char* radix = nl_langinfo_l(RADIXCHAR, loc);
  const std::optional<std::string> date = PictureFromStrftime(nl_langinfo_l(D_FMT, loc));
  const std::optional<std::string> time = PictureFromStrftime(nl_langinfo_l(T_FMT, loc));
  DateTimeForm form;
  form.decimalSeparator = radix && radix[0] == ',' ? ',' : '.';
  freelocale(loc);
  if (!date || !time) return std::nullopt;
  form.shortDate = *date;
  form.longTime = *time;
  return form;
}

std::vector<DateTimeForm> CommonDateTimeForms() {
  return {{',', "dd.MM.yyyy", "H:mm:ss"}, {'.', "M/d/yyyy", "h:mm:ss tt"}};
}

DateTime EncodeDateTime(const LocalTime& t) {
  const long long day =
      DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) +
      kUnixEpochDay;
  const double ms = ((t.hour * 60.0 + t.minute) * 60.0 + t.second) * 1000.0 + t.millisecond;
  return static_cast<double>(day) + ms / kMsPerDay;
}

std::optional<LocalTime> DecodeDateTime(DateTime d) {
  if (!InRange(d)) return std::nullopt;
  const double whole = std::trunc(d);
  const long long day = static_cast<long long>(whole);
  // The time of day is the fraction's size, also before 1899 where the value is negative.
  long long ms = std::llround(std::fabs(d - whole) * kMsPerDay);
  ms = std::clamp(ms, 0LL, 86399999LL);
  LocalTime t;
  CivilFromDays(day - kUnixEpochDay, t.year, t.month, t.day);
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.millisecond = static_cast<int>(ms % 1000);
  t.dayOfWeek = static_cast<int>(((day - kUnixEpochDay) % 7 + 11) % 7);  // 1970-01-01 was a Thursday
  return t;
}

std::optional<std::string> FormatDateTime(DateTime d, const DateTimeForm& form) {
  const std::optional<LocalTime> t = DecodeDateTime(d);
  if (!t) return std::nullopt;
  return ApplyPicture(form.shortDate, *t) + " " + ApplyPicture(form.longTime, *t);
}

std::string DateTimeText(DateTime d, char decimalSeparator) {
  char buf[64];
  // to_chars ignores the C library's locale, unlike printf.
  const auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
  std::string s(buf, res.ec == std::errc() ? res.ptr : buf);
  std::replace(s.begin(), s.end(), '.', decimalSeparator);
  return s;
}

std::optional<DateTime> ParseDateTimeText(std::string_view text) {
  if (text.empty() || text.size() > 40) return std::nullopt;
  std::string s(text);
  const bool comma = s.find(',') != std::string::npos;
  const bool point = s.find('.') != std::string::npos;
  if (comma && point) return std::nullopt;
  std::replace(s.begin(), s.end(), ',', '.');
  for (char c : s)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return std::nullopt;  // no "inf", "nan" or hexadecimal forms
  const char* first = s.data();
  if (*first == '+') ++first;
  double v = 0;
  const auto res = std::from_chars(first, s.data() + s.size(), v, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != s.data() + s.size() || !InRange(v)) return std::nullopt;
  return v;
}

std::string UserCheck(int r, std::string_view name, std::string_view scoreText,
                      std::string_view dateTimeText) {
  const std::string rs = std::to_string(r);
  std::string text = rs + "user" + "3" + std::to_string(r + 10 * (1 << r));
  text.append(name);
  text.append(scoreText);
  text.append(dateTimeText);
  text += "user" + rs;
  return rs + Md5Hex(text);
}

TUsers::TUsers(Registry& registry, std::string title, Clock& clock,
               std::optional<DateTimeForm> desktopForm)
    : registry_(registry), key_("SOFTWARE\\VOMAR\\" + title), clock_(clock) {
  // The form records are written in comes first; the others let records written
  // under a desktop's locale pass their check.
  acceptedForms_.push_back(StoredDateTimeForm());
  if (desktopForm) acceptedForms_.push_back(*desktopForm);
  for (const DateTimeForm& f : CommonDateTimeForms()) acceptedForms_.push_back(f);
}

int TUsers::Count() {
  if (list_.empty()) Load();
  return static_cast<int>(list_.size());
}

std::optional<TUser> TUsers::Entry(int i) {
  if (i < 0 || i >= Count()) return std::nullopt;
  return list_[static_cast<std::size_t>(i)];
}

std::optional<TUser> TUsers::ParseRecord(int index, const std::string& value) const {
  const std::string where = ValueName(index);
  // Pieces before a line feed are trimmed and dropped when empty; the last one
  // is taken as it is.
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t lf = value.find('\n', start);
    if (lf == std::string::npos) {
      if (start < value.size()) pieces.push_back(value.substr(start));
      break;
    }
    std::string piece = Trim(std::string_view(value).substr(start, lf - start));
    if (!piece.empty()) pieces.push_back(std::move(piece));
    start = lf + 1;
  }
  if (pieces.size() != 4) {
    Log("players", where + ": skipped, " + std::to_string(pieces.size()) +
                       " pieces instead of four");
    return std::nullopt;
  }
  const std::string& check = pieces[3];
  if (check.empty() || check[0] < '0' || check[0] > '9') {
    Log("players", where + ": skipped, the check value does not start with a digit");
    return std::nullopt;
  }
  const std::optional<std::uint32_t> score = ParseScore(pieces[1]);
  const std::optional<DateTime> date = ParseDateTimeText(pieces[2]);
  if (!score || !date) {
    Log("players", where + ": skipped, unreadable " + (score ? "date" : "score"));
    return std::nullopt;
  }
  const int r = check[0] - '0';
  for (const DateTimeForm& form : acceptedForms_) {
    const std::optional<std::string> dateText = FormatDateTime(*date, form);
    if (dateText && UserCheck(r, pieces[0], pieces[1], *dateText) == check)
      return TUser{pieces[0], *score, *date, check};
  }
  Log("players", where + ": skipped, the check value does not match");
  return std::nullopt;
}

void TUsers::Load() {
  list_.clear();
  loaded_ = true;
  for (int i = 1; i <= kMaxUsers; ++i) {
    const std::optional<RegValue> value = registry_.ReadValue(RootKey::CurrentUser, key_, ValueName(i));
    if (!value) break;
    if (value->type != RegValue::Type::String) {
      Log("players", ValueName(i) + ": skipped, not a string value");
      continue;
    }
    if (value->text.empty()) break;
    std::optional<TUser> user = ParseRecord(i, value->text);
    if (!user) continue;
    // A name stored twice (another letter case) is one player: the better record stays.
    const std::string nameKey = NameKey(user->Name);
    auto same = std::find_if(list_.begin(), list_.end(),
                             [&](const TUser& u) { return NameKey(u.Name) == nameKey; });
    if (same == list_.end()) {
      list_.push_back(std::move(*user));
      continue;
    }
    Log("players", ValueName(i) + ": player \"" + Cp1251ToUtf8(user->Name) +
                       "\" stored twice, the better record kept");
    if (Better(*user, *same)) *same = std::move(*user);
  }
  Sort();
}

void TUsers::Sort() {
  std::stable_sort(list_.begin(), list_.end(), [](const TUser& a, const TUser& b) {
    if (a.Score != b.Score) return a.Score > b.Score;
    return a.Date < b.Date;
  });
}

void TUsers::SetCurrentName(std::string_view text) { current_.Name = Trim(text); }

void TUsers::SetCurrentScore(std::uint32_t score) { current_.Score = score; }

bool TUsers::IsRegistered(std::string_view text) const {
  const std::string wanted = NameKey(text);
  return std::any_of(list_.begin(), list_.end(),
                     [&](const TUser& u) { return NameKey(u.Name) == wanted; });
}

int TUsers::NextDigit() {
  if (digitSource_) return std::clamp(digitSource_(), 0, 9);
  ReseedRandomFromClock();
  return static_cast<int>(RandomIndex(10));
}

void TUsers::Commit() {
  const int r = NextDigit();
  // A list never read would overwrite the stored records with this one player.
  if (!loaded_) Load();
  std::string name = Trim(current_.Name);
  if (name.empty()) return;
  // A line feed inside a name would split the record into too many pieces and lose it.
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 32) c = ' ';

  // The date as it reads back from its own text, so that the check matches on load.
  const DateTime now =
      ParseDateTimeText(DateTimeText(EncodeDateTime(clock_.Now()))).value_or(0.0);
  const std::string nameKey = NameKey(name);
  auto found = std::find_if(list_.begin(), list_.end(),
                            [&](const TUser& u) { return NameKey(u.Name) == nameKey; });
  if (found != list_.end()) {
    if (found->Score < current_.Score) {
      found->Score = current_.Score;
      found->Date = now;
      found->Check = std::to_string(r);  // completed when saved
    }
  } else {
    list_.push_back(TUser{name, current_.Score, now, std::to_string(r)});
  }
  Sort();
  Save();
}

void TUsers::Save() {
  // The whole table lands at once: a crash in the middle of a save must not
  // leave some records new and others old, which loses a player.
  RegBatch table;
  const int written = std::min(static_cast<int>(list_.size()), kMaxUsers);
  for (int i = 0; i < written; ++i) {
    TUser& u = list_[static_cast<std::size_t>(i)];
    // Every record is written in the stored form and its check computed again for
    // that text with its own digit, so a record read under a desktop's locale
    // survives a change of locale from now on.
    const int r = u.Check.empty() ? 0 : u.Check[0] - '0';
    const std::string scoreText = std::to_string(u.Score);
    const std::string dateText = DateTimeText(u.Date);
    // The text keeps 15 digits; a date read with more could round to another
    // second, and a check over the unrounded date would fail on the next load.
    u.Date = ParseDateTimeText(dateText).value_or(u.Date);
    const std::optional<std::string> dateTime = FormatDateTime(u.Date, StoredDateTimeForm());
    u.Check = UserCheck(r, u.Name, scoreText, dateTime.value_or(""));
    table.WriteString(key_, ValueName(i + 1), u.Name + "\n" + scoreText + "\n" + dateText + "\n" + u.Check);
  }
  // Values behind the last one written would bring back records dropped from the
  // table (a player shown twice), so they go.
  for (int i = written + 1; i <= kMaxUsers; ++i) table.Delete(key_, ValueName(i));
  if (!registry_.Apply(RootKey::CurrentUser, table)) Log("players", "the table could not be written");
  // The table shown is the table stored.
  if (list_.size() > static_cast<std::size_t>(kMaxUsers)) list_.resize(kMaxUsers);
}

}  // namespace trv
