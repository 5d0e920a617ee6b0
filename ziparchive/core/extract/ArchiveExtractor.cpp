#include "core/extract/ArchiveExtractor.h"

#include "core/EntryName.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"
#include "core/extract/AesKeysAhead.h"
#include "core/extract/DiskNames.h"
#include "core/extract/DecodeAhead.h"
#include "core/extract/ParallelBzip2Decompressor.h"
#include "core/extract/VerifiedSpool.h"
#include "core/parallel/WorkerPool.h"

#include <vector>

namespace zipcore {
namespace {

class FileSink : public ByteSink {
public:
  explicit FileSink(OutputFile& file) : file_(file) {}
  void Put(const std::uint8_t* data, std::size_t length) override {
    file_.WriteAt(position_, data, length);
    position_ += length;
  }

private:
  OutputFile& file_;
  std::uint64_t position_ = 0;
};

std::string JoinPath(const std::string& folder, const std::string& relative) {
  if (folder.empty()) return relative;
  if (relative.empty()) return folder;
  char last = folder.back();
  return last == '/' || last == '\\' ? folder + relative : folder + "/" + relative;
}

} // namespace

// The next AES entries' keys are derived on the workers while the reader decrypts one, most likely
// under the same password.
class ArchiveExtractor::KeysAhead : public AesKeySource {
public:
  explicit KeysAhead(ArchiveExtractor& owner) : owner_(owner) {}
  bool Take(std::size_t index, const std::string& password, AesKeys& keys) override {
    if (!ahead_)
      ahead_ = std::make_unique<AesKeysAhead>(owner_.reader_.Archive(), owner_.reader_.Entries(), owner_.Pool());
    return ahead_->Take(index, password, keys);
  }
  void Decrypting(std::size_t index, const std::string& password) override { ahead_->StartAfter(index, password); }

private:
  ArchiveExtractor& owner_;
  std::unique_ptr<AesKeysAhead> ahead_;
};

ArchiveExtractor::ArchiveExtractor(ZipReader& reader)
    : reader_(reader), diskNames_(MakeDiskNames(reader.Entries())), keysAhead_(std::make_unique<KeysAhead>(*this)) {
  reader_.SetAesKeySource(keysAhead_.get());
}

ArchiveExtractor::~ArchiveExtractor() { reader_.SetAesKeySource(nullptr); }

const std::string& ArchiveExtractor::DiskName(std::size_t index) const {
  reader_.Entry(index); // a wrong index is refused as the reader refuses it
  return diskNames_[index];
}

std::string ArchiveExtractor::WhyNotExtractable(std::size_t index) const {
  std::string reason = reader_.WhyNotReadable(index);
  if (reason.empty() && DiskName(index).empty()) reason = "no name is left once made safe";
  return reason;
}

std::shared_ptr<WorkerPool> ArchiveExtractor::Pool() {
  if (!pool_) pool_ = std::make_shared<WorkerPool>(WorkerPool::DefaultThreads());
  return pool_;
}

bool ArchiveExtractor::DecodesInParallel(const ZipEntry& entry) const {
  return entry.method == kMethodBzip2 && entry.compressedSize >= kParallelDecodeFrom && !entry.IsEncrypted();
}

bool ArchiveExtractor::TryParallel(std::size_t index, ByteSink& out, std::size_t bufferSize) {
  try {
    reader_.ReadData(index, out, bufferSize, [this] { return std::make_unique<ParallelBzip2Decompressor>(Pool()); });
    return true;
  } catch (const ZipError& e) {
    // A damaged verdict is confirmed by the serial decoder: a block magic may occur by chance.
    if (e.Kind() == ZipErrorKind::CorruptEntry) return false;
    throw;
  }
}

bool ArchiveExtractor::Test(std::size_t index, std::size_t bufferSize) {
  const ZipEntry& entry = reader_.Entry(index);
  spool_.reset();
  // Small entries: decoded ahead on the workers, their data kept in memory.
  if (!ahead_) ahead_ = std::make_unique<DecodeAhead>(reader_.Archive(), reader_.Entries(), Pool());
  if (ahead_->Handles(index)) {
    try {
      ahead_->Verify(index);
    } catch (const ZipError& e) {
      if (e.Kind() == ZipErrorKind::CorruptEntry) return false;
      throw;
    }
    reader_.ReportProgress(entry.compressedSize);
    return true;
  }
  class Discard : public ByteSink {
    void Put(const std::uint8_t*, std::size_t) override {}
  } discard;
  // A large entry's verified data wait in a spool file for its extraction, where one can be made.
  // Not a stored one: reading it again from the archive costs less than writing and reading a copy.
  std::unique_ptr<VerifiedSpool> spool;
  if (!reader_.ArchivePath().empty() && entry.uncompressedSize > 0 && entry.method != kMethodStored) {
    try {
      spool = std::make_unique<VerifiedSpool>(reader_.Files(), reader_.ArchivePath());
    } catch (const ZipError&) {
    }
  }
  ByteSink& sink = spool ? static_cast<ByteSink&>(*spool) : discard;
  const auto restart = [&spool] {
    if (spool) spool->Restart();
  };
  bool sound = false;
  if (reader_.NeedsPassword(index)) {
    sound = reader_.Test(index, sink, bufferSize, restart);
  } else if (!(DecodesInParallel(entry) && TryParallel(index, sink, bufferSize))) {
    // Large bzip2 entries on the workers first; everything else (and a damaged verdict) serially.
    restart();
    sound = reader_.Test(index, sink, bufferSize, restart);
  } else {
    sound = true;
  }
  if (sound && spool && spool->Complete()) {
    spool_ = std::move(spool);
    spoolIndex_ = index;
  }
  return sound;
}

ArchiveExtractor::Source ArchiveExtractor::SourceFor(std::size_t index) const {
  if (ahead_ && ahead_->HasVerified(index)) return Source::DecodedAhead;
  if (spool_ && spoolIndex_ == index) return Source::Spool;
  if (DecodesInParallel(reader_.Entry(index))) return Source::ParallelBzip2;
  return Source::Serial;
}

void ArchiveExtractor::MakeFolders(const std::string& path) {
  // Entries come folder by folder: each folder is made (and its parents checked) once per extractor.
  if (madeFolders_.count(path)) return;
  reader_.Files().CreateFolders(path);
  madeFolders_.insert(path);
}

bool ArchiveExtractor::CopySpool(std::size_t index, OutputFile& output) {
  std::unique_ptr<VerifiedSpool> spool = std::move(spool_);
  try {
    FileSink sink(output);
    spool->CopyTo(sink);
  } catch (const ZipError&) {
    output.Truncate(0); // decoded again instead
    return false;
  }
  reader_.ReportProgress(reader_.Entry(index).compressedSize);
  return true;
}

void ArchiveExtractor::DecodeInto(std::size_t index, OutputFile& output, std::size_t bufferSize) {
  FileSink sink(output);
  if (!DecodesInParallel(reader_.Entry(index))) {
    reader_.ReadData(index, sink, bufferSize);
  } else if (!TryParallel(index, sink, bufferSize)) {
    output.Truncate(0);
    FileSink again(output);
    reader_.ReadData(index, again, bufferSize);
  }
}

void ArchiveExtractor::Extract(std::size_t index, const std::string& targetFolder, bool fullPath,
                               const std::string& newName, std::size_t bufferSize) {
  const ZipEntry& entry = reader_.Entry(index);
  std::string name = diskNames_[index];
  if (newName.empty() && name.empty())
    throw ZipError(ZipErrorKind::UnsafeName, "the entry " + Quoted(entry.name) + " has no name left once made safe");
  if (entry.IsFolder()) name += '/';
  if (!newName.empty()) {
    name = NormalizeEntryName(newName);
    std::string reason = WhyUnsafe(name);
    if (!reason.empty())
      throw ZipError(ZipErrorKind::UnsafeName, "the name " + Quoted(newName) + " is unsafe: " + reason);
  }
  const bool folderEntry = entry.IsFolder() || (!name.empty() && name.back() == '/');
  if (!fullPath) name = LastComponent(name);
  if (!name.empty() && name.back() == '/') name.pop_back();

  if (!targetFolder.empty()) MakeFolders(targetFolder);
  const std::string path = JoinPath(targetFolder, name);
  if (folderEntry) {
    if (fullPath) MakeFolders(path);
    return;
  }
  const std::size_t slash = name.rfind('/');
  if (slash != std::string::npos) MakeFolders(JoinPath(targetFolder, name.substr(0, slash)));

  const Source source = SourceFor(index);
  // Tested just before and spooled: the spool file itself becomes the file where it can be moved.
  if (source == Source::Spool && spool_->MoveTo(path, entry.modified)) {
    spool_.reset();
    reader_.ReportProgress(entry.compressedSize);
    return;
  }
  // The data go to a temporary file that takes the entry's name only once they are verified.
  std::unique_ptr<OutputFile> output = reader_.Files().CreateBeside(path);
  output->RemoveIfProcessDies();
  try {
    switch (source) {
    case Source::DecodedAhead: {
      FileSink sink(*output);
      std::vector<std::uint8_t> data = ahead_->TakeVerified();
      if (!data.empty()) sink.Put(data.data(), data.size());
      reader_.ReportProgress(entry.compressedSize);
      break;
    }
    case Source::Spool:
      if (!CopySpool(index, *output)) DecodeInto(index, *output, bufferSize);
      break;
    case Source::ParallelBzip2:
    case Source::Serial: DecodeInto(index, *output, bufferSize); break;
    }
  } catch (const ZipError& e) {
    output->Discard();
    if (e.Kind() == ZipErrorKind::Io && e.Path().empty()) throw ZipError(e.Kind(), e.what(), e.OsError(), path);
    throw;
  }
  output->SetModificationTime(entry.modified);
  output->Commit();
}

} // namespace zipcore
