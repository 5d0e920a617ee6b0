// Holds the data of one large entry, decoded and verified by a test, in a temporary file beside the
// archive, so that extracting that entry right after its test moves (or copies) the file instead of
// decompressing the entry a second time. The file is removed with the object. A spool that cannot
// be written (a read-only folder, a full disk) is simply not used.
#pragma once

#include "core/methods/Codec.h"
#include "core/FileAccess.h"

#include <cstdint>
#include <memory>
#include <string>
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
  std::uint64_t Size() const { return size_; }
  // Copies the spooled data into `out` in large pieces; throws ZipError when they cannot be read back.
  void CopyTo(ByteSink& out);
  // Makes the spool file itself the file at `path`, with the time `modified`, when it can be moved
  // there; false otherwise (the data can still be copied).
  bool MoveTo(const std::string& path, std::int64_t modified);

private:
  void Flush();
  void Write(const std::uint8_t* data, std::size_t length);

  FileAccess& files_;
  std::unique_ptr<OutputFile> file_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t size_ = 0;
  bool failed_ = false;
};

} // namespace zipcore
