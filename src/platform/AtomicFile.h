#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Files replaced whole, so that a crash leaves the old content or the new
// one and never a mix: the bytes go to a temporary file beside the target,
// which is flushed to disk, renamed over the target, and the folder is
// flushed so that the rename itself lasts.
namespace trv {

struct AtomicFileOptions {
  // The temporary file. Empty: a fresh name beside the target
  // (target + ".tmp-XXXXXX"). Otherwise this name, for writers that hold a
  // lock of their own; a file of that name left by one that died is replaced.
  std::filesystem::path temp;
  // Permissions of the new file (less the process's umask).
  mode_t mode = 0666;
};

// A file being replaced. Nothing is visible at the target before Commit();
// destroyed without it, the temporary file is removed.
class AtomicFile {
 public:
  explicit AtomicFile(std::filesystem::path target, AtomicFileOptions options = {});
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // False, with Error() saying why, once anything failed; later calls then
  // do nothing and fail too.
  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

  bool Write(const void* bytes, std::size_t count);
  bool Commit();

 private:
  bool Fail(int err);

  std::filesystem::path target_;
  std::filesystem::path temp_;
  int fd_ = -1;
  std::string error_;
};

// The steps of a replacement, in their order.
enum class AtomicFileStep { Create, Write, Sync, Rename, SyncFolder };

// Called before every step of every AtomicFile of the process; when it returns
// false the step fails (EIO) without being done, as if the process had died
// just before it. Lets tests stop a save at each step in turn. An empty hook
// (the default) removes it.
void SetAtomicFileFaultHook(std::function<bool(AtomicFileStep)> hook);

// Replaces `target` with `bytes`; false with *error (the system's reason)
// when it could not, the old file then left as it was.
bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string* error,
                           const AtomicFileOptions& options = {});

// Puts a finished temporary file that another library wrote into place: flushes
// it, renames it over `target`, flushes the folder. The temporary file is
// removed when this fails.
bool CommitTempFile(const std::filesystem::path& temp, const std::filesystem::path& target, std::string* error);

// Flushes a folder's entries (after a rename into or out of it).
bool FsyncFolder(const std::filesystem::path& dir);

}  // namespace trv
