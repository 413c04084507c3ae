#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The one rule for every reader of files on the disc: a file is opened without
// blocking and read only when it is a regular file. A named pipe in a sound's
// place would otherwise wait for a writer for ever, and a device such as
// /dev/zero would never end.
namespace trv {

// Opens `path` for reading (close-on-exec, never a controlling terminal);
// -1 with *why when it cannot be opened or is not a regular file. The
// descriptor reads in blocking mode again: only the open had to not wait.
int OpenRegularFile(const std::filesystem::path& path, std::string* why);

// For libraries that open a file by its name themselves (the font engine):
// the same check, made just before handing them the name.
bool IsReadableRegularFile(const std::filesystem::path& path, std::string* why);

// The whole file, at most `maxBytes`; nullopt with *why otherwise.
std::optional<std::vector<std::uint8_t>> ReadRegularFile(const std::filesystem::path& path, std::uint64_t maxBytes,
                                                         std::string* why);

}  // namespace trv
