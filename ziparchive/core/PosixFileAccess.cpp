#include "core/PosixFileAccess.h"

#include "core/ZipError.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace zipcore {
namespace {

[[noreturn]] void ThrowIo(const std::string& action, const std::string& path, int error = errno) {
  throw ZipError(ZipErrorKind::Io, "cannot " + action + " \"" + path + "\": " + std::strerror(error), error, path);
}

FileStatus StatusOf(const struct stat& info) {
  FileStatus status;
  status.exists = true;
  status.isDirectory = S_ISDIR(info.st_mode);
  status.size = static_cast<std::uint64_t>(info.st_size);
  status.modified = static_cast<std::int64_t>(info.st_mtime);
  status.volumeId = static_cast<std::uint64_t>(info.st_dev);
  status.fileId = static_cast<std::uint64_t>(info.st_ino);
  return status;
}

class PosixInputFile : public InputFile {
public:
  PosixInputFile(int fd, const struct stat& info, std::string path)
      : fd_(fd), status_(StatusOf(info)), path_(std::move(path)) {}
  ~PosixInputFile() override { close(fd_); }
  std::uint64_t Size() const override { return status_.size; }
  FileStatus Status() const override { return status_; }
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    std::size_t done = 0;
    while (done < length) {
      ssize_t got = pread(fd_, static_cast<char*>(buffer) + done, length - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) ThrowIo("read", path_);
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

private:
  int fd_;
  FileStatus status_; // as the file was opened
  std::string path_;
};

// The modification time of an open file; the access time becomes now.
bool SetModified(int fd, std::int64_t modified) {
  const struct timespec times[2] = {{0, UTIME_NOW}, {static_cast<time_t>(modified), 0}};
  return futimens(fd, times) == 0;
}

class PosixOutputFile : public OutputFile {
public:
  PosixOutputFile(int fd, std::string temporaryPath, std::string finalPath)
      : fd_(fd), temporaryPath_(std::move(temporaryPath)), finalPath_(std::move(finalPath)) {}
  ~PosixOutputFile() override { Discard(); }

  void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
    std::size_t done = 0;
    while (done < length) {
      ssize_t put =
          pwrite(fd_, static_cast<const char*>(data) + done, length - done, static_cast<off_t>(offset + done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) ThrowIo("write", temporaryPath_);
      done += static_cast<std::size_t>(put);
    }
  }
  void Truncate(std::uint64_t length) override {
    if (ftruncate(fd_, static_cast<off_t>(length)) != 0) ThrowIo("truncate", temporaryPath_);
  }
  const std::string& TemporaryPath() const override { return temporaryPath_; }
  void SetModificationTime(std::int64_t modified) override {
    modified_ = modified;
    hasTime_ = true;
  }
  void Commit() override {
    if (fd_ < 0) throw ZipError(ZipErrorKind::Usage, "the file was already closed");
    int fd = fd_;
    fd_ = -1;
    // Set last, on the open file: no write can change it afterwards.
    if (hasTime_ && !SetModified(fd, modified_)) {
      int error = errno;
      close(fd);
      unlink(temporaryPath_.c_str());
      ThrowIo("set the time of", temporaryPath_, error);
    }
    if (close(fd) != 0) {
      int error = errno;
      unlink(temporaryPath_.c_str());
      ThrowIo("write", temporaryPath_, error);
    }
    if (rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) {
      int error = errno;
      unlink(temporaryPath_.c_str());
      ThrowIo("replace", finalPath_, error);
    }
  }
  bool MoveTo(const std::string& otherPath, std::int64_t modified) override {
    if (fd_ < 0) return false;
    if (!SetModified(fd_, modified)) return false;
    // Moved while still open: a failed move leaves the file as it was, to be copied instead.
    if (rename(temporaryPath_.c_str(), otherPath.c_str()) != 0) return false;
    close(fd_);
    fd_ = -1;
    return true;
  }
  void Discard() noexcept override {
    if (fd_ < 0) return;
    close(fd_);
    fd_ = -1;
    unlink(temporaryPath_.c_str());
  }

private:
  int fd_;
  std::string temporaryPath_, finalPath_;
  std::int64_t modified_ = 0;
  bool hasTime_ = false;
};

std::string RandomSuffix() {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  static const unsigned process = static_cast<unsigned>(getpid());
  unsigned value = seed ^ (counter.fetch_add(1) * 2654435761u) ^ process;
  const char* digits = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 6; ++i, value /= 36) suffix += digits[value % 36];
  return suffix;
}

} // namespace

std::unique_ptr<InputFile> PosixFileAccess::OpenForReading(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowIo("open", path);
  struct stat info;
  if (fstat(fd, &info) != 0) {
    int error = errno;
    close(fd);
    ThrowIo("open", path, error);
  }
  return std::make_unique<PosixInputFile>(fd, info, path);
}

std::unique_ptr<OutputFile> PosixFileAccess::CreateBeside(const std::string& finalPath) {
  // A name in the same folder, so the final rename stays on one file system.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temporary = finalPath + ".tmp-" + RandomSuffix();
    int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return std::make_unique<PosixOutputFile>(fd, temporary, finalPath);
    if (errno != EEXIST) ThrowIo("create a file beside", finalPath);
  }
  ThrowIo("create a file beside", finalPath, EEXIST);
}

void PosixFileAccess::CreateFolders(const std::string& path) {
  if (path.empty()) return;
  // The deepest folder first: usually only it is missing, and its parents need no call at all.
  if (mkdir(path.c_str(), 0777) == 0) return;
  int error = errno;
  const std::size_t slash = path.find_last_of('/', path.size() - 2);
  if (error == ENOENT && slash != std::string::npos && slash > 0) {
    CreateFolders(path.substr(0, slash));
    if (mkdir(path.c_str(), 0777) == 0) return;
    error = errno;
  }
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) ThrowIo("create the folder", path, error);
}

void PosixFileAccess::SetModificationTime(const std::string& path, std::int64_t modified) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_NOW;
  times[1].tv_sec = static_cast<time_t>(modified);
  times[1].tv_nsec = 0;
  if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) ThrowIo("set the time of", path);
}

FileStatus PosixFileAccess::Stat(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return FileStatus{};
    ThrowIo("examine", path);
  }
  return StatusOf(info);
}

} // namespace zipcore
