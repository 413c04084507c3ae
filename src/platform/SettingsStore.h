#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Registry.h"

namespace trv {

class Trace;

// The registry kept in text files, one per root key, in `dir`
// (HKEY_CURRENT_USER.reg, HKEY_LOCAL_MACHINE.reg). Every change is written at
// once and atomically (temporary file, fsync, rename), so a crash never loses or
// half-writes the settings. A file changed by another process is read again
// before the next access. A damaged or truncated file is renamed aside with a
// log line and the store starts that root empty.
class SettingsStore : public Registry {
 public:
  explicit SettingsStore(std::filesystem::path dir, Trace* trace = nullptr);
  ~SettingsStore() override;

  // $XDG_CONFIG_HOME/trivion, default ~/.config/trivion.
  static std::filesystem::path DefaultDir();

  bool KeyExists(RootKey root, std::string_view key) override;
  bool CreateKey(RootKey root, std::string_view key) override;
  bool DeleteKey(RootKey root, std::string_view key) override;
  std::vector<std::string> SubKeys(RootKey root, std::string_view key) override;
  std::vector<std::string> ValueNames(RootKey root, std::string_view key) override;
  std::optional<RegValue> ReadValue(RootKey root, std::string_view key,
                                    std::string_view name) override;
  bool WriteValue(RootKey root, std::string_view key, std::string_view name,
                  const RegValue& value, bool createKey = true) override;
  bool DeleteValue(RootKey root, std::string_view key, std::string_view name) override;
  // One read-modify-write of the root's file under its lock, replaced once.
  bool Apply(RootKey root, const RegBatch& batch) override;

  const std::filesystem::path& Dir() const { return dir_; }
  std::filesystem::path FileOf(RootKey root) const;

 private:
  struct Hive;
  Hive& Load(RootKey root);
  void TraceWrite(RootKey root, const std::string& key, std::string_view name, const RegValue& value);
  void TraceDelete(RootKey root, const std::string& key, std::string_view name);

  std::filesystem::path dir_;
  Trace* trace_;
  std::mutex mutex_;
  std::unique_ptr<Hive> hives_[2];
};

}  // namespace trv
