// libFuzzer target for encrypted entries: the input is a password (a length byte, then its bytes)
// and an archive, read with that password. Whatever the password, salt,
// verifier, check byte, ciphertext or authentication code: a ZipError or a result, never a crash or a
// hang; an entry whose extraction fails never reaches its final name; and an entry whose password
// fails the header's check (WrongPassword from an AES entry) gets no byte written at all.
#include "MemoryInputFile.h"
#include "core/ZipError.h"
#include "core/ZipReader.h"
#include "core/extract/ArchiveExtractor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace zipcore;

namespace {

constexpr std::uint64_t kMaxInflated = 64u << 20;

struct Written {
  std::uint64_t bytes = 0;
  bool committed = false;
};

class RecordingOutput : public OutputFile {
public:
  explicit RecordingOutput(Written& written) : written_(written) {}
  void WriteAt(std::uint64_t, const void*, std::size_t length) override { written_.bytes += length; }
  void Truncate(std::uint64_t) override {}
  const std::string& TemporaryPath() const override { return path_; }
  void SetModificationTime(std::int64_t) override {}
  void Commit() override { written_.committed = true; }
  void Discard() noexcept override {}

private:
  Written& written_;
  std::string path_ = "out/.tmp";
};

class RecordingFiles : public FileAccess {
public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
    throw ZipError(ZipErrorKind::Io, "no files here", 2, path);
  }
  std::unique_ptr<OutputFile> CreateBeside(const std::string&) override {
    written = Written();
    return std::make_unique<RecordingOutput>(written);
  }
  void CreateFolders(const std::string&) override {}
  void SetModificationTime(const std::string&, std::int64_t) override {}
  FileStatus Stat(const std::string&) override { return {}; }
  Written written;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || data[0] > size - 1) return 0;
  const std::string password(reinterpret_cast<const char*>(data + 1), data[0]);
  const std::uint8_t* archive = data + 1 + data[0];
  const std::size_t archiveSize = size - 1 - data[0];
  static RecordingFiles files;
  try {
    ZipReader reader(files,
                     std::make_unique<MemoryInputFile>(std::vector<std::uint8_t>(archive, archive + archiveSize)));
    ArchiveExtractor unzip(reader);
    reader.SetPasswords({password});
    std::uint64_t inflated = 0;
    for (std::size_t i = 0; i < reader.Count(); ++i) {
      const ZipEntry& entry = reader.Entry(i);
      if (entry.uncompressedSize > kMaxInflated - inflated) break;
      inflated += entry.uncompressedSize;
      try {
        unzip.Test(i, 4096);
      } catch (const ZipError&) {
      }
      files.written = Written();
      try {
        unzip.Extract(i, "out", true, "", 4096);
      } catch (const ZipError& e) {
        if (files.written.committed) std::abort(); // a failed entry under its final name
        if (e.Kind() == ZipErrorKind::WrongPassword && entry.Encryption() == EntryEncryption::WinZipAes &&
            files.written.bytes != 0)
          std::abort(); // decrypted bytes written under a password that failed the verifier
      }
    }
  } catch (const ZipError&) {
  }
  return 0;
}
