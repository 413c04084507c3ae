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

// Several changes of one root key that belong together (a table of records,
// the state of every switch): Registry::Apply lands them all at once, so that
// a crash leaves either none of them or all, never a table half old, half new.
class RegBatch {
 public:
  struct Op {
    bool remove = false;  // deletes the value; a missing one is no failure
    std::string key;
    std::string name;
    RegValue value;
  };

  void Write(std::string_view key, std::string_view name, RegValue value) {
    ops_.push_back({false, std::string(key), std::string(name), std::move(value)});
  }
  void WriteString(std::string_view key, std::string_view name, std::string value) {
    Write(key, name, RegValue::String(std::move(value)));
  }
  void WriteInteger(std::string_view key, std::string_view name, std::int32_t value) {
    Write(key, name, RegValue::Integer(value));
  }
  void WriteBool(std::string_view key, std::string_view name, bool value) {
    Write(key, name, RegValue::Integer(value ? 1 : 0));
  }
  void Delete(std::string_view key, std::string_view name) {
    ops_.push_back({true, std::string(key), std::string(name), {}});
  }

  bool Empty() const { return ops_.empty(); }
  const std::vector<Op>& Ops() const { return ops_; }

 private:
  std::vector<Op> ops_;
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

  // Applies every change of `batch` in its order, keys created as needed;
  // false when some change could not be made. The settings file store lands
  // the whole batch in one replacement of its file, so there false means none
  // took effect; this base version writes one value after another.
  virtual bool Apply(RootKey root, const RegBatch& batch);

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
