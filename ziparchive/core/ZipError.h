// The one exception type of the archive core. Every failure carries a kind the caller can act on
// (the Windows facade maps kinds onto its own exception family) and an English reason for people.
#pragma once

#include <stdexcept>
#include <string>

namespace zipcore {

enum class ZipErrorKind {
  Io,           // the operating system refused a file operation; OsError() holds its code
  BadArchive,   // not a zip archive, or its structure is malformed or truncated
  Unsupported,  // a compression method, encryption or feature this library does not handle
  UnsafeName,   // an entry name that could write outside the target folder or is invalid on Windows
  CorruptEntry, // an entry's data is damaged: bad compressed stream, wrong CRC-32 or wrong size
  SourceChanged,// a file being added changed while it was read
  Usage,        // the caller used the object in a way it does not allow (bad argument, wrong state)
};

class ZipError : public std::runtime_error {
public:
  ZipError(ZipErrorKind kind, const std::string& reason, int osError = 0)
      : std::runtime_error(reason), kind_(kind), osError_(osError) {}

  ZipErrorKind Kind() const noexcept { return kind_; }
  // errno on POSIX, GetLastError() on Windows; 0 unless Kind() is Io.
  int OsError() const noexcept { return osError_; }

private:
  ZipErrorKind kind_;
  int osError_;
};

} // namespace zipcore
