#include "platform/Registry.h"

namespace trv {

std::optional<std::string> Registry::ReadString(RootKey root, std::string_view key, std::string_view name) {
  auto v = ReadValue(root, key, name);
  if (!v || v->type != RegValue::Type::String) return std::nullopt;
  return v->text;
}

std::optional<std::int32_t> Registry::ReadInteger(RootKey root, std::string_view key, std::string_view name) {
  auto v = ReadValue(root, key, name);
  if (!v || v->type != RegValue::Type::Integer) return std::nullopt;
  return v->integer;
}

std::optional<bool> Registry::ReadBool(RootKey root, std::string_view key, std::string_view name) {
  auto v = ReadInteger(root, key, name);
  if (!v) return std::nullopt;
  return *v != 0;
}

std::optional<std::vector<std::uint8_t>> Registry::ReadBinary(RootKey root, std::string_view key,
                                                              std::string_view name) {
  auto v = ReadValue(root, key, name);
  if (!v || v->type != RegValue::Type::Binary) return std::nullopt;
  return v->binary;
}

bool Registry::WriteString(RootKey root, std::string_view key, std::string_view name, std::string value,
                           bool createKey) {
  return WriteValue(root, key, name, RegValue::String(std::move(value)), createKey);
}

bool Registry::WriteInteger(RootKey root, std::string_view key, std::string_view name, std::int32_t value,
                            bool createKey) {
  return WriteValue(root, key, name, RegValue::Integer(value), createKey);
}

bool Registry::WriteBool(RootKey root, std::string_view key, std::string_view name, bool value,
                         bool createKey) {
  return WriteValue(root, key, name, RegValue::Integer(value ? 1 : 0), createKey);
}

bool Registry::WriteBinary(RootKey root, std::string_view key, std::string_view name,
                           std::vector<std::uint8_t> value, bool createKey) {
  return WriteValue(root, key, name, RegValue::Binary(std::move(value)), createKey);
}

bool Registry::Apply(RootKey root, const RegBatch& batch) {
  bool ok = true;
  for (const RegBatch::Op& op : batch.Ops()) {
    if (op.remove) {
      if (ReadValue(root, op.key, op.name) && !DeleteValue(root, op.key, op.name)) ok = false;
    } else if (!WriteValue(root, op.key, op.name, op.value)) {
      ok = false;
    }
  }
  return ok;
}

}  // namespace trv
