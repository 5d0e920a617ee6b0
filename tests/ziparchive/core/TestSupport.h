// Helpers shared by the archive core's tests.
#pragma once

#include "ArchiveBuilder.h"

#include "MemoryInputFile.h"
#include "core/PosixFileAccess.h"
#include "core/ZipError.h"
#include "core/ZipReader.h"
#include "core/extract/ArchiveExtractor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace ziptest {

inline zipcore::PosixFileAccess& Files() {
  static zipcore::PosixFileAccess files;
  return files;
}

inline std::unique_ptr<zipcore::ZipReader> OpenMemory(const Bytes& bytes) {
  return std::make_unique<zipcore::ZipReader>(Files(), std::make_unique<zipcore::MemoryInputFile>(bytes));
}

class StringSink : public zipcore::ByteSink {
public:
  void Put(const std::uint8_t* data, std::size_t length) override {
    text.append(reinterpret_cast<const char*>(data), length);
  }
  std::string text;
};

inline std::string ReadAll(zipcore::ZipReader& reader, std::size_t index) {
  StringSink sink;
  reader.ReadData(index, sink, 65536);
  return sink.text;
}

// The kind of ZipError that `action` throws; fails the test if it throws nothing or something else.
template <typename Action>
std::optional<zipcore::ZipErrorKind> ErrorOf(Action action) {
  try {
    action();
  } catch (const zipcore::ZipError& e) {
    return e.Kind();
  }
  return std::nullopt;
}

// A fresh folder removed with everything in it when the test ends.
class TempFolder {
public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zipcore-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names of everything below `folder`, relative to it, sorted.
inline std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  for (auto& item : std::filesystem::recursive_directory_iterator(folder))
    names.push_back(std::filesystem::relative(item.path(), folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

} // namespace ziptest
