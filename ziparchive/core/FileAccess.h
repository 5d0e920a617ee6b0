// The file-access seam: everything the archive core does to files goes through these interfaces, so
// the core stays portable. PosixFileAccess implements them natively; the Windows facade implements
// them over the wide Win32 file API.
//
// Paths are UTF-8. The core builds paths below a folder by joining with "/"; an implementation may
// turn "/" into its own separator. All failures are thrown as ZipError (kind Io, with the OS code).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zipcore {

// A file opened for reading with positional reads; the size is taken when it is opened.
struct FileStatus {
  bool exists = false;
  bool isDirectory = false;
  std::uint64_t size = 0;
  std::int64_t modified = 0; // seconds since 1970-01-01 UTC
  // Together identify the file itself, whatever path names it (device + inode, volume serial +
  // file index). fileId 0 means unknown; the writer then compares paths to recognise its own archive.
  // An open file's Status may leave volumeId 0 where it is costly to learn: InputFile::VolumeId.
  std::uint64_t volumeId = 0;
  std::uint64_t fileId = 0;
};

class InputFile {
public:
  virtual ~InputFile() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads up to `length` bytes at `offset`; returns fewer only at the end of the file.
  virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t length) = 0;
  // What the open file can tell of itself (exists is false when it cannot: ask by path instead).
  virtual FileStatus Status() const { return FileStatus{}; }
  // The volume the open file lies on, as Stat's volumeId tells it; asked only when the file's
  // fileId matches another file's, for a seam that leaves it out of Status.
  virtual std::uint64_t VolumeId() { return Status().volumeId; }
};

// A new file written under a temporary name beside its final path. Commit() moves it into place,
// replacing any file of the final name; destroying it uncommitted removes the temporary file.
class OutputFile {
public:
  virtual ~OutputFile() = default;
  virtual void WriteAt(std::uint64_t offset, const void* data, std::size_t length) = 0;
  virtual void Truncate(std::uint64_t length) = 0;
  virtual const std::string& TemporaryPath() const = 0;
  // The modification time (seconds since 1970-01-01 UTC) the file gets when it is committed; set on
  // the open file, which saves opening it again by name.
  virtual void SetModificationTime(std::int64_t modified) = 0;
  // Flushes, closes and renames the file to its final path.
  virtual void Commit() = 0;
  // Instead of Commit: gives the file the time `modified` and moves it to `otherPath` (replacing any
  // file there) when that can be done without copying. False when it cannot (another file system, a
  // file access that does not offer it): the file is then still readable by its temporary path and
  // is removed by Discard.
  virtual bool MoveTo(const std::string& otherPath, std::int64_t modified) {
    (void)otherPath;
    (void)modified;
    return false;
  }
  // Asks the system to remove the temporary file should the process die before Commit or MoveTo
  // (which take the request back). Only for files nobody opens again by their temporary path: the
  // system may refuse such opens meanwhile. A file access that cannot do it ignores the request.
  virtual void RemoveIfProcessDies() noexcept {}
  // Closes and removes the temporary file (never throws).
  virtual void Discard() noexcept = 0;
};

class FileAccess {
public:
  virtual ~FileAccess() = default;
  virtual std::unique_ptr<InputFile> OpenForReading(const std::string& path) = 0;
  // Creates a new, empty temporary file in the folder of `finalPath` (the folder must exist).
  virtual std::unique_ptr<OutputFile> CreateBeside(const std::string& finalPath) = 0;
  // Creates the folder and any missing folders above it; an existing folder is fine.
  virtual void CreateFolders(const std::string& path) = 0;
  virtual void SetModificationTime(const std::string& path, std::int64_t modified) = 0;
  // Follows links; a missing path gives exists == false rather than an error.
  virtual FileStatus Stat(const std::string& path) = 0;
};

} // namespace zipcore
