#pragma once

// A settings store held in memory, for fuzzers of readers that keep their
// state in the settings: no files, so that each input starts clean and fast.
// Keys and value names compare without regard to case, like the real store;
// keys are flat names (the readers under fuzz never list sub-keys).
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Registry.h"
#include "platform/Text.h"

namespace trv::fuzz {

class MemRegistry : public Registry {
 public:
  bool KeyExists(RootKey root, std::string_view key) override { return keys_.count(Id(root, key)) > 0; }
  bool CreateKey(RootKey root, std::string_view key) override {
    keys_[Id(root, key)];
    return true;
  }
  bool DeleteKey(RootKey root, std::string_view key) override { return keys_.erase(Id(root, key)) > 0; }
  std::vector<std::string> SubKeys(RootKey, std::string_view) override { return {}; }
  std::vector<std::string> ValueNames(RootKey root, std::string_view key) override {
    std::vector<std::string> names;
    auto it = keys_.find(Id(root, key));
    if (it != keys_.end())
      for (const auto& [upper, named] : it->second) names.push_back(named.first);
    return names;
  }
  std::optional<RegValue> ReadValue(RootKey root, std::string_view key, std::string_view name) override {
    auto it = keys_.find(Id(root, key));
    if (it == keys_.end()) return std::nullopt;
    auto v = it->second.find(Upper1251(name));
    if (v == it->second.end()) return std::nullopt;
    return v->second.second;
  }
  bool WriteValue(RootKey root, std::string_view key, std::string_view name, const RegValue& value,
                  bool createKey = true) override {
    const std::string id = Id(root, key);
    if (!createKey && !keys_.count(id)) return false;
    auto& slot = keys_[id][Upper1251(name)];
    if (slot.first.empty()) slot.first = std::string(name);
    slot.second = value;
    return true;
  }
  bool DeleteValue(RootKey root, std::string_view key, std::string_view name) override {
    auto it = keys_.find(Id(root, key));
    return it != keys_.end() && it->second.erase(Upper1251(name)) > 0;
  }

 private:
  static std::string Id(RootKey root, std::string_view key) {
    return (root == RootKey::CurrentUser ? "U:" : "M:") + Upper1251(key);
  }
  // key -> upper-case value name -> (name as first written, value)
  std::map<std::string, std::map<std::string, std::pair<std::string, RegValue>>> keys_;
};

}  // namespace trv::fuzz
