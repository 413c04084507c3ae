#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

namespace trv {
namespace fs = std::filesystem;

namespace {

fs::path Folder(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

std::mutex& HookMutex() {
  static std::mutex m;
  return m;
}
std::function<bool(AtomicFileStep)>& Hook() {
  static std::function<bool(AtomicFileStep)> hook;
  return hook;
}

// False when the fault hook stops this step.
bool StepAllowed(AtomicFileStep step) {
  std::lock_guard<std::mutex> lock(HookMutex());
  return !Hook() || Hook()(step);
}

}  // namespace

void SetAtomicFileFaultHook(std::function<bool(AtomicFileStep)> hook) {
  std::lock_guard<std::mutex> lock(HookMutex());
  Hook() = std::move(hook);
}

bool FsyncFolder(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

AtomicFile::AtomicFile(fs::path target, AtomicFileOptions options) : target_(std::move(target)) {
  if (!StepAllowed(AtomicFileStep::Create)) {
    Fail(EIO);
    return;
  }
  if (!options.temp.empty()) {
    temp_ = std::move(options.temp);
    ::unlink(temp_.c_str());
    // No link is followed: the temporary name must not write through to another file.
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, options.mode);
    if (fd_ < 0) Fail(errno);
    return;
  }
  const std::string pattern = target_.string() + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) {
    Fail(errno);
    return;
  }
  temp_ = name.data();
  // mkostemp makes the file private; the new file gets the rights asked for.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, options.mode & ~mask);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

bool AtomicFile::Fail(int err) {
  if (error_.empty()) error_ = std::strerror(err);
  if (error_.empty()) error_ = "error " + std::to_string(err);
  return false;
}

bool AtomicFile::Write(const void* bytes, std::size_t count) {
  if (!Ok() || fd_ < 0) return false;
  if (!StepAllowed(AtomicFileStep::Write)) return Fail(EIO);
  const auto* p = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t n = ::write(fd_, p, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fail(n < 0 ? errno : EIO);
    p += n;
    count -= std::size_t(n);
  }
  return true;
}

bool AtomicFile::Commit() {
  if (!Ok() || fd_ < 0) return false;
  if (!StepAllowed(AtomicFileStep::Sync)) return Fail(EIO);
  int err = ::fsync(fd_) == 0 ? 0 : errno;
  if (::close(fd_) != 0 && err == 0) err = errno;
  fd_ = -1;
  if (err != 0) return Fail(err);
  if (!StepAllowed(AtomicFileStep::Rename)) return Fail(EIO);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail(errno);
  temp_.clear();
  // Stopped here the new file is in place but its name may not last.
  if (!StepAllowed(AtomicFileStep::SyncFolder)) return Fail(EIO);
  FsyncFolder(Folder(target_));
  return true;
}

bool ReplaceFileAtomically(const fs::path& target, std::string_view bytes, std::string* error,
                           const AtomicFileOptions& options) {
  AtomicFile file(target, options);
  if (file.Write(bytes.data(), bytes.size()) && file.Commit()) return true;
  if (error) *error = file.Error();
  return false;
}

bool CommitTempFile(const fs::path& temp, const fs::path& target, std::string* error) {
  const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  bool ok = fd >= 0 && ::fsync(fd) == 0;
  int err = errno;
  if (fd >= 0) ::close(fd);
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    if (error) *error = std::strerror(err);
    ::unlink(temp.c_str());
    return false;
  }
  FsyncFolder(Folder(target));
  return true;
}

}  // namespace trv
