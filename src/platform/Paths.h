#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Scripts name files with Windows paths in CP1251 ("pics\fon.bmp",
// "\opt\trivion\disc\Mev.dhl", "d:\video\a.avi"). The core keeps that form; these
// helpers turn it into native paths when a file is opened.
namespace trv {

// The folders every script path is resolved against, in Windows form with a
// trailing backslash.
struct DiscPaths {
  std::filesystem::path nativeDir;  // the disc folder on this system
  std::string programDir;           // "\opt\trivion\disc\"
  std::string cdRoot;               // mount point of the disc's file system, "\" or "\media\cd\"
  std::string rootDir;              // programDir without its first "run\" (case ignored)
};

// Native folder -> Windows form: UTF-8 to CP1251, "/" to "\", trailing "\".
// Names that CP1251 cannot hold come back with '?' and *ok = false.
std::string ToWindowsDir(const std::filesystem::path& nativeDir, bool* ok = nullptr);
// Native file path -> Windows form, without a trailing backslash.
std::string ToWindowsPath(const std::filesystem::path& native, bool* ok = nullptr);

// Windows form -> native: a drive prefix "X:" is dropped (there are no drives
// here), "\" becomes "/", CP1251 becomes UTF-8. No file system access.
std::filesystem::path ToNativePath(std::string_view windowsPath);

// The components of a Windows path ('\\' or '/' between them), empty ones dropped.
std::vector<std::string> SplitWindowsPath(std::string_view path);

// The native path of an existing file or folder named by a Windows path. The
// exact name wins; otherwise each component is matched ignoring case (CP1251
// letters included), first match in directory order sorted by name.
std::optional<std::filesystem::path> ResolvePath(std::string_view windowsPath);

// Removes the first "run\" (case ignored) from a program folder.
std::string ComputeRootDir(std::string_view programDir);

// Paths of the disc held in `nativeDir`.
DiscPaths ComputeDiscPaths(const std::filesystem::path& nativeDir);

// The folder of the running executable (/proc/self/exe).
std::filesystem::path ExecutableDir();

// The folder where the desktop finds the fonts of this user:
// $XDG_DATA_HOME/fonts, else $HOME/.local/share/fonts; empty without either.
std::filesystem::path UserFontDir();

// The disc folder: the executable's folder when it holds Mev.dhl, else
// $TRIVION_DISC, else ../share/trivion/disc/ beside the executable's folder.
std::filesystem::path LocateDisc(const std::filesystem::path& exeDir);

// Reads a whole native file, refusing files above `maxBytes` and anything but a
// regular file (opened without waiting: see RegularFile.h). On failure returns
// nullopt and puts a reason in *error.
std::optional<std::vector<std::uint8_t>> ReadNativeFile(const std::filesystem::path& path,
                                                        std::uint64_t maxBytes,
                                                        std::string* error = nullptr);

struct DirEntry {
  std::string name;  // CP1251
  bool isDirectory = false;
  std::filesystem::path native;
};
// Entries of a folder named by a Windows path, sorted by name, without "." and
// "..". Names CP1251 cannot hold are skipped with a log line.
std::vector<DirEntry> ListDirectory(std::string_view windowsDir);

}  // namespace trv
