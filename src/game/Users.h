#pragma once

// The local table of best results: at most twelve players, best first, kept in
// the settings store as "user1".."user12" under the product's key. Every record
// carries a check value so that a record edited by hand is ignored.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/Registry.h"

namespace trv {

// Days since 30 December 1899, the time of day as the fraction.
using DateTime = double;

// How a desktop writes a date and time: pictures made of d dd M MM y yy yyyy,
// h hh (12-hour) H HH m mm s ss t tt (AM/PM), 'quoted' text and other
// characters taken literally.
struct DateTimeForm {
  char decimalSeparator = '.';
  std::string shortDate;
  std::string longTime;
  friend bool operator==(const DateTimeForm&, const DateTimeForm&) = default;
};

// The one form records are written in, whatever the desktop's locale:
// '.' as the decimal separator, "dd.MM.yyyy HH:mm:ss" for the check.
const DateTimeForm& StoredDateTimeForm();
// The form the desktop's locale (LC_NUMERIC, LC_TIME) gives; nullopt when its
// date or time pattern has parts the pictures cannot express (month names).
std::optional<DateTimeForm> DesktopDateTimeForm();
// Default forms of the desktops records may come from (Russian, US English).
std::vector<DateTimeForm> CommonDateTimeForms();

DateTime EncodeDateTime(const LocalTime& t);
// nullopt for a value that is not finite or lies outside the years 1 to 9999.
std::optional<LocalTime> DecodeDateTime(DateTime d);
// The date and time written with the form's pictures, date and time separated by
// one space; nullopt when the value cannot be decoded.
std::optional<std::string> FormatDateTime(DateTime d, const DateTimeForm& form);
// The stored date text: general format, up to 15 significant digits.
std::string DateTimeText(DateTime d, char decimalSeparator = '.');
// Reads a stored date text with '.' or ',' as the decimal separator; nullopt
// for anything else or a value outside the years 1 to 9999.
std::optional<DateTime> ParseDateTimeText(std::string_view text);

// Check value of a record: r, then the lower-case hexadecimal MD5 of
// r "user" "3" (r + 10 * 2^r) name score dateTime "user" r, over the CP1251 bytes.
std::string UserCheck(int r, std::string_view name, std::string_view scoreText,
                      std::string_view dateTimeText);

struct TUser {
  std::string Name;
  std::uint32_t Score = 0;
  DateTime Date = 0;
  std::string Check;
  friend bool operator==(const TUser&, const TUser&) = default;
};
using TUsersList = std::vector<TUser>;

class TUsers {
 public:
  static constexpr int kMaxUsers = 12;

  // `title` is the product title: the records live under
  // HKEY_CURRENT_USER "SOFTWARE\VOMAR\<title>". `desktopForm` is the locale's
  // form, accepted on load besides the stored and the common ones.
  TUsers(Registry& registry, std::string title, Clock& clock,
         std::optional<DateTimeForm> desktopForm = DesktopDateTimeForm());

  // Number of records; loads the list first when it is empty.
  int Count();
  // A copy of record i (from 0) when i < Count().
  std::optional<TUser> Entry(int i);
  const TUsersList& List() const { return list_; }

  // Reads the stored records, skipping damaged ones with a log line, merges
  // duplicate names (the better record stays) and sorts.
  void Load();
  // Score descending, then the earlier date first.
  void Sort();

  void SetCurrentName(std::string_view text);
  void SetCurrentScore(std::uint32_t score);
  const TUser& Current() const { return current_; }
  std::uint32_t CurrentScore() const { return current_.Score; }

  // Enters the current result (a better score replaces the player's stored one,
  // a new player is added), sorts and saves the best twelve. A blank current
  // name stores nothing.
  void Commit();

  // True when a record has this name, trimmed, letter case ignored.
  bool IsRegistered(std::string_view text) const;

  const std::string& Key() const { return key_; }

  // Where Commit takes its check digit (0 to 9); by default the program's
  // generator, reseeded from the clock. Tests fix it.
  void SetDigitSource(std::function<int()> source) { digitSource_ = std::move(source); }

 private:
  int NextDigit();
  void Save();
  std::optional<TUser> ParseRecord(int index, const std::string& value) const;

  Registry& registry_;
  std::string key_;
  Clock& clock_;
  std::vector<DateTimeForm> acceptedForms_;
  std::function<int()> digitSource_;
  TUsersList list_;
  TUser current_;
  bool loaded_ = false;
};

}  // namespace trv
