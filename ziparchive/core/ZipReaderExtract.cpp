// How ZipReader writes an entry to disk: under a temporary name beside its final one, from the
// data verified by the last test when there are any, moved into place only when complete.
#include "core/ZipReader.h"

#include "core/EntryName.h"
#include "core/ZipError.h"
#include "core/ZipFormat.h"
#include "core/parallel/DecodeAhead.h"
#include "core/parallel/VerifiedSpool.h"

#include <algorithm>

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

void ZipReader::MakeFolders(const std::string& path) {
  // Entries come folder by folder: each folder is made (and its parents checked) once per reader.
  if (madeFolders_.count(path)) return;
  files_.CreateFolders(path);
  madeFolders_.insert(path);
}

bool ZipReader::CopySpool(std::size_t index, OutputFile& output) {
  if (!spool_ || spoolIndex_ != index) return false;
  std::unique_ptr<VerifiedSpool> spool = std::move(spool_);
  try {
    FileSink sink(output);
    spool->CopyTo(sink);
  } catch (const ZipError&) {
    output.Truncate(0); // decoded again instead
    return false;
  }
  if (progress_) progress_(Entry(index).compressedSize);
  return true;
}

void ZipReader::Extract(std::size_t index, const std::string& targetFolder, bool fullPath,
                        const std::string& newName, std::size_t bufferSize) {
  const ZipEntry& entry = Entry(index);
  std::string name = entry.diskName;
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

  // Tested just before and spooled: the spool file itself becomes the file where it can be moved.
  if (spool_ && spoolIndex_ == index && spool_->MoveTo(path, entry.modified)) {
    spool_.reset();
    if (progress_) progress_(entry.compressedSize);
    return;
  }
  // The data go to a temporary file that takes the entry's name only once they are verified.
  std::unique_ptr<OutputFile> output = files_.CreateBeside(path);
  output->RemoveIfProcessDies();
  try {
    FileSink sink(*output);
    if (ahead_ && ahead_->HasVerified(index)) {
      // Tested just before: its verified data are at hand.
      std::vector<std::uint8_t> data = ahead_->TakeVerified();
      if (!data.empty()) sink.Put(data.data(), data.size());
      if (progress_) progress_(entry.compressedSize);
    } else if (CopySpool(index, *output)) {
      // Tested just before; its verified data were kept in the spool.
    } else if (!DecodesInParallel(entry)) {
      ReadData(index, sink, bufferSize);
    } else if (!TryParallel(index, sink, bufferSize)) {
      output->Truncate(0);
      FileSink again(*output);
      ReadData(index, again, bufferSize);
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
