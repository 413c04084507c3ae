#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trv {

enum class RootKey { CurrentUser, LocalMachine };

struct RegValue {
  enum class Type { String, Integer, Binary };
  Type type = Type::String;
  std::string text;                  // String, CP1251
  std::int32_t integer = 0;          // Integer (booleans are integers 0 and 1)
  std::vector<std::uint8_t> binary;  // Binary

  static RegValue String(std::string s) { return {Type::String, std::move(s), 0, {}}; }
  static RegValue Integer(std::int32_t v) { return {Type::Integer, {}, v, {}}; }
  static RegValue Binary(std::vector<std::uint8_t> b) { return {Type::Binary, {}, 0, std::move(b)}; }
  friend bool operator==(const RegValue&, const RegValue&) = default;
};

// The settings store, organised like the system registry: root keys, keys named
// by backslash paths ("SOFTWARE\VOMAR\Trivion"), named values. Key and value
// names compare without regard to case. Names and strings are CP1251.
class Registry {
 public:
  virtual ~Registry() = default;

  virtual bool KeyExists(RootKey root, std::string_view key) = 0;
  virtual bool CreateKey(RootKey root, std::string_view key) = 0;
  // Removes the key, its values and its sub-keys.
  virtual bool DeleteKey(RootKey root, std::string_view key) = 0;
  virtual std::vector<std::string> SubKeys(RootKey root, std::string_view key) = 0;
  virtual std::vector<std::string> ValueNames(RootKey root, std::string_view key) = 0;

  virtual std::optional<RegValue> ReadValue(RootKey root, std::string_view key,
                                            std::string_view name) = 0;
  // With `createKey` false a missing key makes the write fail.
  virtual bool WriteValue(RootKey root, std::string_view key, std::string_view name,
                          const RegValue& value, bool createKey = true) = 0;
  virtual bool DeleteValue(RootKey root, std::string_view key, std::string_view name) = 0;

  // Typed reads: a missing value or a value of another type gives nullopt.
  std::optional<std::string> ReadString(RootKey root, std::string_view key, std::string_view name);
  std::optional<std::int32_t> ReadInteger(RootKey root, std::string_view key, std::string_view name);
  std::optional<bool> ReadBool(RootKey root, std::string_view key, std::string_view name);
  std::optional<std::vector<std::uint8_t>> ReadBinary(RootKey root, std::string_view key,
                                                      std::string_view name);
  bool WriteString(RootKey root, std::string_view key, std::string_view name, std::string value,
                   bool createKey = true);
  bool WriteInteger(RootKey root, std::string_view key, std::string_view name, std::int32_t value,
                    bool createKey = true);
  bool WriteBool(RootKey root, std::string_view key, std::string_view name, bool value,
                 bool createKey = true);
  bool WriteBinary(RootKey root, std::string_view key, std::string_view name,
                   std::vector<std::uint8_t> value, bool createKey = true);
};

}  // namespace trv
