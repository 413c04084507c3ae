// The settings store over arbitrary file contents, through its public calls:
// the file is read, one value is written (which rewrites the whole file), and
// a fresh store must read back exactly what the first one held plus that value.
// A file the store refuses is set aside byte for byte and reads as empty.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "platform/SettingsStore.h"
#include "platform/Text.h"

namespace {

namespace fs = std::filesystem;
constexpr trv::RootKey kRoot = trv::RootKey::CurrentUser;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// One key as the store lists it: names in creation order, as written.
struct Key {
  std::string name;
  std::vector<std::pair<std::string, trv::RegValue>> values;
  std::vector<Key> children;
  friend bool operator==(const Key&, const Key&) = default;
};

void Walk(trv::SettingsStore& store, const std::string& path, Key& key) {
  for (const std::string& name : store.ValueNames(kRoot, path)) {
    auto value = store.ReadValue(kRoot, path, name);
    Check(value.has_value());  // every listed name reads
    key.values.emplace_back(name, *value);
  }
  for (const std::string& name : store.SubKeys(kRoot, path)) {
    Check(!name.empty() && name.find('\\') == std::string::npos);
    Key child;
    child.name = name;
    Walk(store, path.empty() ? name : path + "\\" + name, child);
    key.children.push_back(std::move(child));
  }
}

Key Snapshot(const fs::path& dir) {
  trv::SettingsStore store(dir);
  Key root;
  Walk(store, "", root);
  return root;
}

// What writing `value` as `name` under the key path `parts` does to the tree:
// names match without regard to case and keep the case they were created with.
void Apply(Key& key, const std::vector<std::string>& parts, std::size_t depth, const std::string& name,
           const trv::RegValue& value) {
  if (depth == parts.size()) {
    for (auto& [n, v] : key.values)
      if (trv::Upper1251(n) == trv::Upper1251(name)) {
        v = value;
        return;
      }
    key.values.emplace_back(name, value);
    return;
  }
  for (Key& child : key.children)
    if (trv::Upper1251(child.name) == trv::Upper1251(parts[depth]))
      return Apply(child, parts, depth + 1, name, value);
  key.children.push_back(Key{parts[depth], {}, {}});
  Apply(key.children.back(), parts, depth + 1, name, value);
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path g_dir;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  trv::SetLogFile("/dev/null");  // damaged files are logged; keep the disk out of it
  // A memory file system keeps the store's fsyncs cheap.
  std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path().string();
  std::string pattern = base + "/fuzz_settings.XXXXXX";
  if (!mkdtemp(pattern.data())) __builtin_trap();
  g_dir = pattern;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(g_dir)) fs::remove_all(entry.path(), ec);
  const std::string input(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(g_dir / "HKEY_CURRENT_USER.reg", std::ios::binary);
    out << input;
  }

  const Key before = Snapshot(g_dir);

  // A refused file is moved aside unchanged and nothing of it is used.
  std::vector<fs::path> aside;
  for (const auto& entry : fs::directory_iterator(g_dir))
    if (entry.path().filename().string().starts_with("HKEY_CURRENT_USER.reg.damaged-")) aside.push_back(entry.path());
  Check(aside.size() <= 1);
  if (!aside.empty()) {
    Check(before == Key{});
    Check(ReadAll(aside[0]) == input);
  }

  // Read-modify-write: the value goes under a key the file may already hold,
  // in another letter case, so that merging into existing keys is exercised.
  const std::vector<std::string> parts = {"software", "Vomar"};
  const std::string name = size % 2 ? "lastvisitedhtmlfile" : "Probe\xC9";
  const trv::RegValue value =
      size % 3 ? trv::RegValue::String(input.substr(0, 64)) : trv::RegValue::Integer(std::int32_t(size));
  {
    trv::SettingsStore store(g_dir);
    Check(store.WriteValue(kRoot, "software\\Vomar", name, value));
  }
  Key expected = before;
  Apply(expected, parts, 0, name, value);
  Check(Snapshot(g_dir) == expected);
  return 0;
}
