// Holds the data of one large entry, decoded and verified by a test, in a temporary file beside the
// archive, so that extracting that entry right after its test moves (or copies) the file instead of
// decompressing the entry a second time. The file is removed with the object. A spool that cannot
// be written (a read-only folder, a full disk) is simply not used.
//
// Data given in small pieces (a serial decoder's output) are gathered into pieces of 1 MiB and
// written by a thread of the spool's own while the caller decodes on; large pieces (a decoded bzip2
// block, whose decoding the workers share) are written by the caller as they are, without a copy.
#pragma once

#include "core/methods/Codec.h"
#include "core/FileAccess.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zipcore {

class VerifiedSpool : public ByteSink {
public:
  // Throws ZipError (Io) when no temporary file can be made beside `besidePath`.
  VerifiedSpool(FileAccess& files, const std::string& besidePath);
  ~VerifiedSpool() override;

  void Put(const std::uint8_t* data, std::size_t length) override;
  // Empties the spool for a second attempt.
  void Restart();
  // True when everything put since the last Restart is in the file.
  bool Complete();
  // After Complete: the bytes in the file.
  std::uint64_t Size() const { return size_; }
  // Copies the spooled data into `out` in large pieces; throws ZipError when they cannot be read back.
  void CopyTo(ByteSink& out);
  // Makes the spool file itself the file at `path`, with the time `modified`, when it can be moved
  // there; false otherwise (the data can still be copied).
  bool MoveTo(const std::string& path, std::int64_t modified);

private:
  // Hands the gathered piece to the writer thread (started by the first one).
  void Hand();
  // Returns once the writer thread has written (or dropped, after a failure) every piece handed.
  void WaitForWriter();
  void Write(const std::uint8_t* data, std::size_t length);
  // One write to the file, by either thread; false when it failed.
  bool WrittenAt(std::uint64_t offset, const std::uint8_t* data, std::size_t length) noexcept;
  void WriterLoop();

  FileAccess& files_;
  std::unique_ptr<OutputFile> file_;
  std::vector<std::uint8_t> buffer_; // the piece being gathered
  std::uint64_t size_ = 0;           // bytes written to the file (the writer's, while it runs)
  bool failed_ = false;              // a write failed: the spool will not be used

  std::mutex lock_; // guards the members below, and size_ and failed_ while the writer runs
  std::condition_variable changed_;
  std::deque<std::vector<std::uint8_t>> handed_; // pieces for the writer, in order
  std::vector<std::vector<std::uint8_t>> spare_; // written pieces, for gathering the next ones
  bool writing_ = false;                         // the writer is writing a piece taken from handed_
  bool stopping_ = false;
  std::thread writer_;
};

} // namespace zipcore
