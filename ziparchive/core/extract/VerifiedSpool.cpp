#include "core/extract/VerifiedSpool.h"

#include "core/ZipError.h"

#include <algorithm>
#include <system_error>

namespace zipcore {
namespace {

constexpr std::size_t kPiece = 1u << 20;
// Pieces handed to the writer and not written yet: the decoder runs at most this far ahead.
constexpr std::size_t kPiecesAhead = 3;
// Written pieces kept for gathering the next ones.
constexpr std::size_t kSparePieces = 2;

} // namespace

VerifiedSpool::VerifiedSpool(FileAccess& files, const std::string& besidePath)
    : files_(files), file_(files.CreateBeside(besidePath)) {
  // CopyTo, the one reader by name, is a fallback: when the system refuses it, the entry is decoded again.
  file_->RemoveIfProcessDies();
  buffer_.reserve(kPiece);
  spare_.reserve(kSparePieces); // the writer thread must not need memory to give a piece back
}

VerifiedSpool::~VerifiedSpool() {
  if (writer_.joinable()) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      stopping_ = true;
      handed_.clear(); // nobody needs them written any more
    }
    changed_.notify_all();
    writer_.join();
  }
  file_->Discard();
}

void VerifiedSpool::Put(const std::uint8_t* data, std::size_t length) {
  // Large pieces (a decoded bzip2 block, up to 900 kB) go to the file as they are, after what was
  // handed before them.
  if (length >= kPiece / 2) {
    if (!buffer_.empty()) Hand();
    WaitForWriter();
    Write(data, length);
    return;
  }
  buffer_.insert(buffer_.end(), data, data + length);
  if (buffer_.size() >= kPiece) Hand();
}

void VerifiedSpool::Hand() {
  std::unique_lock<std::mutex> hold(lock_);
  if (failed_) {
    buffer_.clear();
    return;
  }
  if (!writer_.joinable()) {
    try {
      writer_ = std::thread([this] { WriterLoop(); });
    } catch (const std::system_error&) {
      hold.unlock(); // no thread to be had: written here instead
      Write(buffer_.data(), buffer_.size());
      buffer_.clear();
      return;
    }
  }
  changed_.wait(hold, [this] { return handed_.size() < kPiecesAhead; });
  handed_.push_back(std::move(buffer_));
  buffer_.clear(); // moved from: empty whatever the library left in it
  if (!spare_.empty()) {
    buffer_.swap(spare_.back());
    spare_.pop_back();
    buffer_.clear();
  }
  buffer_.reserve(kPiece);
  hold.unlock();
  changed_.notify_all();
}

void VerifiedSpool::WaitForWriter() {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [this] { return handed_.empty() && !writing_; });
}

bool VerifiedSpool::WrittenAt(std::uint64_t offset, const std::uint8_t* data, std::size_t length) noexcept {
  try {
    file_->WriteAt(offset, data, length);
    return true;
  } catch (...) { // any failure (ZipError, no memory) only means the spool is not used
    return false;
  }
}

void VerifiedSpool::Write(const std::uint8_t* data, std::size_t length) {
  // Only while the writer thread is idle (WaitForWriter): the test goes on without a spool that failed.
  if (failed_) return;
  if (WrittenAt(size_, data, length)) size_ += length;
  else failed_ = true;
}

void VerifiedSpool::WriterLoop() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    changed_.wait(hold, [this] { return stopping_ || !handed_.empty(); });
    if (stopping_) return;
    std::vector<std::uint8_t> piece = std::move(handed_.front());
    handed_.pop_front();
    writing_ = true;
    const std::uint64_t at = size_;
    const bool failed = failed_;
    hold.unlock();
    const bool written = !failed && WrittenAt(at, piece.data(), piece.size());
    hold.lock();
    if (written) size_ += piece.size();
    if (!failed && !written) failed_ = true;
    writing_ = false;
    if (spare_.size() < kSparePieces) spare_.push_back(std::move(piece));
    changed_.notify_all();
  }
}

void VerifiedSpool::Restart() {
  WaitForWriter();
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
  if (!buffer_.empty()) Hand();
  WaitForWriter();
  return !failed_;
}

bool VerifiedSpool::MoveTo(const std::string& path, std::int64_t modified) {
  return Complete() && file_->MoveTo(path, modified);
}

void VerifiedSpool::CopyTo(ByteSink& out) {
  WaitForWriter();
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
