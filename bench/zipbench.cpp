// zipbench: packs and unpacks with the archive core exactly as the program's jobs do, for the
// benchmark (bench/run.sh).
//   zipbench pack ARCHIVE PATH     PATH a folder: every file below it, named relative to it, added from
//                                  inside the folder; PATH a file: one entry named like the file.
//                                  Method 12, level -1, smartness 7, buffer 65536.
//   zipbench unpack ARCHIVE FOLDER [PASSWORD]
//                                  every entry tested, then extracted below FOLDER (buffer 65536);
//                                  encrypted entries with PASSWORD (its bytes as given).
//   zipbench keys ARCHIVE PASSWORD derives the keys of every WinZip AES entry once, one after the
//                                  other on one thread, and prints their count and the processor
//                                  time that took, in total and per entry.
// Exit status: 0 success, 1 a corrupt entry, 2 any other failure.
#include "core/crypto/Pbkdf2Sha1.h"
#include "core/crypto/WinZipAes.h"
#include "core/PosixFileAccess.h"
#include "core/ZipError.h"
#include "core/ZipReader.h"
#include "core/extract/ArchiveExtractor.h"
#include "core/pack/ArchivePacker.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace zipcore;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBuffer = 65536;

// The files below `folder` in the order a depth-first walk with sorted folders lists them.
std::vector<std::string> FilesBelow(const fs::path& folder) {
  std::vector<std::string> files;
  const std::string base = folder.string();
  const std::size_t prefix = base.size() + (base.back() == '/' ? 0 : 1); // the folder and its separator
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    if (it->is_regular_file()) files.push_back(it->path().string().substr(prefix));
  }
  std::sort(files.begin(), files.end());
  return files;
}

int Pack(const std::string& archive, const std::string& source) {
  PosixFileAccess files;
  const fs::path archivePath = fs::absolute(archive);
  const fs::path sourcePath = fs::absolute(source);
  const bool folder = fs::is_directory(sourcePath);
  std::vector<std::string> names =
      folder ? FilesBelow(sourcePath) : std::vector<std::string>{sourcePath.filename().string()};
  ArchivePacker writer(files, archivePath.string());
  writer.SetMethod(kMethodBzip2);
  // Like the jobs: work from inside the folder and add each file by its relative name.
  if (chdir((folder ? sourcePath : sourcePath.parent_path()).c_str()) != 0) {
    std::perror("zipbench: chdir");
    return 2;
  }
  for (const std::string& name : names) writer.AddFile(name, name, -1, kSmartAll, kBuffer);
  writer.Finish();
  return 0;
}

int Unpack(const std::string& archive, const std::string& folder, const char* password) {
  PosixFileAccess files;
  ZipReader reader(files, archive);
  ArchiveExtractor unzip(reader);
  if (password) reader.SetPasswords({password});
  for (std::size_t i = 0; i < reader.Count(); ++i) {
    if (!unzip.Test(i, kBuffer)) {
      std::fprintf(stderr, "zipbench: corrupt entry %s\n", reader.Entry(i).name.c_str());
      return 1;
    }
    unzip.Extract(i, folder, true, "", kBuffer);
  }
  return 0;
}

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int Keys(const std::string& archive, const std::string& password) {
  PosixFileAccess files;
  ZipReader reader(files, archive);
  std::unique_ptr<InputFile> file = files.OpenForReading(archive);
  const Pbkdf2Sha1 prepared(password);
  std::size_t count = 0;
  double seconds = 0;
  for (std::size_t i = 0; i < reader.Count(); ++i) {
    const ZipEntry& entry = reader.Entry(i);
    std::uint8_t salt[16];
    const std::size_t saltSize = AesSaltSize(entry.aesStrength);
    if (entry.Encryption() != EntryEncryption::WinZipAes || saltSize == 0 ||
        file->ReadAt(entry.dataOffset, salt, saltSize) != saltSize)
      continue;
    AesKeys keys;
    const double start = ThreadSeconds();
    DeriveAesKeys(prepared, entry.aesStrength, salt, keys);
    seconds += ThreadSeconds() - start;
    ++count;
  }
  std::printf("%zu entries %.3f s %.4f ms per entry\n", count, seconds,
              count ? seconds * 1000 / static_cast<double>(count) : 0.0);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4 && !(argc == 5 && std::string(argv[1]) == "unpack")) {
    std::fprintf(stderr,
                 "usage: zipbench pack ARCHIVE PATH | zipbench unpack ARCHIVE FOLDER [PASSWORD] | "
                 "zipbench keys ARCHIVE PASSWORD\n");
    return 2;
  }
  const std::string command = argv[1];
  try {
    if (command == "pack") return Pack(argv[2], argv[3]);
    if (command == "unpack") return Unpack(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (command == "keys") return Keys(argv[2], argv[3]);
    std::fprintf(stderr, "zipbench: unknown command %s\n", command.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zipbench: %s\n", e.what());
  }
  return 2;
}
