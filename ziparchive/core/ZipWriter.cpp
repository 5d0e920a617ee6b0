#include "core/ZipWriter.h"

#include "core/ZipError.h"
#include "core/ZipRecords.h"

namespace zipcore {

ZipWriter::ZipWriter(FileAccess& files, const std::string& archivePath)
    : archivePath_(archivePath), output_(files.CreateBeside(archivePath)) {}

ZipWriter::~ZipWriter() { Abandon(); }

void ZipWriter::Finish() {
  if (!output_) throw ZipError(ZipErrorKind::Usage, "the archive is not open for writing");
  std::vector<std::uint8_t> buffer;
  std::uint64_t position = position_;
  auto flush = [&] {
    output_->WriteAt(position, buffer.data(), buffer.size());
    position += buffer.size();
    buffer.clear();
  };
  for (const ZipEntry& entry : entries_) {
    AppendCentralHeader(buffer, entry);
    if (buffer.size() >= 256 * 1024) flush();
  }
  flush();
  AppendEndRecords(buffer, entries_.size(), position_, position - position_);
  flush();
  // A failed add or a stored rewrite may have left bytes past the new end.
  output_->Truncate(position);
  output_->Commit();
  output_.reset();
}

void ZipWriter::Abandon() noexcept {
  if (!output_) return;
  output_->Discard();
  output_.reset();
}

} // namespace zipcore
