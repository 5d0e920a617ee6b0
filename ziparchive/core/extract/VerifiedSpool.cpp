#include "core/extract/VerifiedSpool.h"

#include "core/methods/Codecs.h"
#include "core/ZipError.h"

#include <algorithm>

namespace zipcore {
namespace {

constexpr std::size_t kPiece = 1u << 20;

} // namespace

VerifiedSpool::VerifiedSpool(FileAccess& files, const std::string& besidePath)
    : files_(files), file_(files.CreateBeside(besidePath)) {
  // CopyTo, the one reader by name, is a fallback: when the system refuses it, the entry is decoded again.
  file_->RemoveIfProcessDies();
  buffer_.reserve(kPiece);
}

VerifiedSpool::~VerifiedSpool() { file_->Discard(); }

void VerifiedSpool::Put(const std::uint8_t* data, std::size_t length) {
  if (failed_) return;
  // Large pieces (a decoded bzip2 block, up to 900 kB) go to the file as they are.
  if (length >= kPiece / 2) {
    Flush();
    Write(data, length);
    return;
  }
  buffer_.insert(buffer_.end(), data, data + length);
  if (buffer_.size() >= kPiece) Flush();
}

void VerifiedSpool::Flush() {
  if (buffer_.empty()) return;
  Write(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void VerifiedSpool::Write(const std::uint8_t* data, std::size_t length) {
  if (failed_) return;
  try {
    file_->WriteAt(size_, data, length);
    size_ += length;
  } catch (const ZipError&) {
    failed_ = true; // the test goes on without the spool
  }
}

void VerifiedSpool::Restart() {
  buffer_.clear();
  size_ = 0;
  failed_ = false;
  try {
    file_->Truncate(0);
  } catch (const ZipError&) {
    failed_ = true;
  }
}

bool VerifiedSpool::Complete() {
  Flush();
  return !failed_;
}

bool VerifiedSpool::MoveTo(const std::string& path, std::int64_t modified) {
  return Complete() && file_->MoveTo(path, modified);
}

void VerifiedSpool::CopyTo(ByteSink& out) {
  std::unique_ptr<InputFile> in = files_.OpenForReading(file_->TemporaryPath());
  std::vector<std::uint8_t> piece(kPiece);
  for (std::uint64_t at = 0; at < size_;) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), size_ - at));
    if (in->ReadAt(at, piece.data(), want) != want)
      throw ZipError(ZipErrorKind::Io, "the temporary copy of an entry ended early", 0, file_->TemporaryPath());
    out.Put(piece.data(), want);
    at += want;
  }
}

} // namespace zipcore
