// zipcore-tool: a command-line face of the archive core, for the interoperability tests.
//   zipcore-tool create ARCHIVE [-m METHOD] [-l LEVEL] [-f FLAGS] [-C FOLDER] FILE...
//   zipcore-tool create-many ARCHIVE FILE COUNT   (COUNT entries, all of FILE, stored)
//   zipcore-tool list ARCHIVE                    (method, size, CRC-32, mtime, name per line)
//   zipcore-tool test ARCHIVE
//   zipcore-tool extract ARCHIVE FOLDER
// Exit status: 0 success, 1 a corrupt entry, 2 any other failure (reason on stderr).
#include "core/PosixFileAccess.h"
#include "core/ZipError.h"
#include "core/ZipReader.h"
#include "core/extract/ArchiveExtractor.h"
#include "core/pack/ArchivePacker.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

using namespace zipcore;

namespace {

constexpr std::size_t kBuffer = 65536;

int Create(std::vector<std::string> args) {
  if (args.empty()) throw ZipError(ZipErrorKind::Usage, "create needs an archive");
  PosixFileAccess files;
  std::string folder;
  int level = -1, flags = kSmartAll;
  std::uint16_t method = kMethodBzip2;
  std::vector<std::string> inputs;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if ((arg == "-m" || arg == "-l" || arg == "-f" || arg == "-C") && i + 1 < args.size()) {
      const std::string& value = args[++i];
      if (arg == "-m") method = static_cast<std::uint16_t>(std::stoi(value));
      if (arg == "-l") level = std::stoi(value);
      if (arg == "-f") flags = std::stoi(value);
      if (arg == "-C") folder = value;
    } else {
      inputs.push_back(arg);
    }
  }
  ArchivePacker writer(files, args[0]);
  writer.SetMethod(method);
  for (const std::string& input : inputs)
    writer.AddFile(folder.empty() ? input : folder + "/" + input, input, level, flags, kBuffer);
  writer.Finish();
  return 0;
}

int CreateMany(const std::vector<std::string>& args) {
  if (args.size() != 3) throw ZipError(ZipErrorKind::Usage, "create-many ARCHIVE FILE COUNT");
  PosixFileAccess files;
  ArchivePacker writer(files, args[0]);
  writer.SetMethod(kMethodStored);
  const long count = std::stol(args[2]);
  for (long i = 0; i < count; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "many/%06ld.txt", i);
    writer.AddFile(args[1], name, -1, kSmartAll, kBuffer);
  }
  writer.Finish();
  return 0;
}

int List(const std::string& archive) {
  PosixFileAccess files;
  ZipReader reader(files, archive);
  ArchiveExtractor unzip(reader);
  for (const ZipEntry& entry : reader.Entries())
    std::printf("%u %llu %08x %lld %s\n", entry.method, static_cast<unsigned long long>(entry.uncompressedSize),
                entry.crc32, static_cast<long long>(entry.modified), entry.name.c_str());
  return 0;
}

int Test(const std::string& archive) {
  PosixFileAccess files;
  ZipReader reader(files, archive);
  ArchiveExtractor unzip(reader);
  int status = 0;
  for (std::size_t i = 0; i < reader.Count(); ++i) {
    if (!unzip.Test(i, kBuffer)) {
      std::fprintf(stderr, "corrupt: %s\n", reader.Entry(i).name.c_str());
      status = 1;
    }
  }
  return status;
}

int Extract(const std::string& archive, const std::string& folder) {
  PosixFileAccess files;
  ZipReader reader(files, archive);
  ArchiveExtractor unzip(reader);
  for (std::size_t i = 0; i < reader.Count(); ++i) {
    if (!unzip.Test(i, kBuffer)) {
      std::fprintf(stderr, "corrupt: %s\n", reader.Entry(i).name.c_str());
      return 1;
    }
    unzip.Extract(i, folder, true, "", kBuffer);
  }
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: zipcore-tool create|create-many|list|test|extract ARCHIVE ...\n");
    return 2;
  }
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (command == "create") return Create(args);
    if (command == "create-many") return CreateMany(args);
    if (command == "list") return List(args[0]);
    if (command == "test") return Test(args[0]);
    if (command == "extract" && args.size() == 2) return Extract(args[0], args[1]);
    std::fprintf(stderr, "zipcore-tool: unknown command %s\n", command.c_str());
    return 2;
  } catch (const ZipError& e) {
    std::fprintf(stderr, "zipcore-tool: error %d: %s\n", static_cast<int>(e.Kind()), e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zipcore-tool: %s\n", e.what());
    return 2;
  }
}
