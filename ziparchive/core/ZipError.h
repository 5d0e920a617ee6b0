// The one exception type of the archive core. Every failure carries a kind the caller can act on
// (the Windows facade maps kinds onto its own exception family) and an English reason for people.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace zipcore {

enum class ZipErrorKind {
  Io,            // the operating system refused a file operation; OsError() holds its code
  NotAnArchive,  // no zip directory could be found: the file is not a zip archive
  BadArchive,    // the archive's structure is malformed or truncated
  Unsupported,   // a compression method, encryption or feature this library does not handle
  UnsafeName,    // an entry name that could write outside the target folder or is invalid on Windows
  CorruptEntry,  // an entry's data is damaged: bad compressed stream, wrong CRC-32 or wrong size
  SourceChanged, // a file being added changed while it was read
  Usage,         // the caller used the object in a way it does not allow (bad argument, wrong state)
  Stopped,       // the caller asked the operation to stop; whatever it was writing has been removed
  WrongPassword, // no password given fits an encrypted entry (or none was given); nothing was written
};

class ZipError : public std::runtime_error {
public:
  ZipError(ZipErrorKind kind, const std::string& reason, int osError = 0, std::string path = {})
      : std::runtime_error(reason), kind_(kind), osError_(osError), path_(std::move(path)) {}

  ZipErrorKind Kind() const noexcept { return kind_; }
  // errno on POSIX, GetLastError() on Windows; 0 unless Kind() is Io.
  int OsError() const noexcept { return osError_; }
  // The file the failure is about (UTF-8), when there is one.
  const std::string& Path() const noexcept { return path_; }

private:
  ZipErrorKind kind_;
  int osError_;
  std::string path_;
};

} // namespace zipcore
