// Shared by the tests of the work on worker threads (extract/ and pack/): text, hex digits and noise
// of any length from a seed, a mix of files of every kind the packer treats differently, and an
// output file that cannot be moved.
#pragma once

#include "core/FileAccess.h"

#include <cstdint>
#include <memory>
#include <cstddef>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace ziptest {

inline std::string TextOf(std::size_t length, unsigned seed) {
  static const char* const kWords[] = {"archive ", "block ", "entry ", "thread ", "zip ", "data\n", "  ", "{}"};
  std::mt19937 generator(seed);
  std::string text;
  while (text.size() < length) text += kWords[generator() % 8];
  text.resize(length);
  return text;
}

// Compresses to about half: big enough in an archive to be decoded block by block.
inline std::string HexOf(std::size_t length, unsigned seed) {
  std::mt19937 generator(seed);
  std::string text(length, '0');
  for (char& c : text) c = "0123456789abcdef"[generator() % 16];
  return text;
}

inline std::string NoiseOf(std::size_t length, unsigned seed) {
  std::mt19937 generator(seed);
  std::string noise(length, '\0');
  for (char& c : noise) c = static_cast<char>(generator());
  return noise;
}

// Files of every kind the writer treats differently, interleaved: empty, tiny, small text (background),
// noise that is stored instead, and text above the background limit (streamed in the caller's thread).
inline std::vector<std::pair<std::string, std::string>> MixedFiles() {
  std::vector<std::pair<std::string, std::string>> files;
  for (unsigned i = 0; i < 40; ++i) {
    std::string content;
    switch (i % 5) {
    case 0: content = i == 0 ? "" : "x"; break;
    case 1: content = TextOf(1000 + 997 * i, i); break;
    case 2: content = NoiseOf(20000 + i, i); break;
    case 3: content = TextOf(300000 + i, i); break;
    case 4: content = i % 10 == 4 ? TextOf(1700000 + i, i) : TextOf(50 + i, i); break;
    }
    files.emplace_back("f" + std::to_string(100 + i) + ".txt", content);
  }
  // Then more small files than the writer holds back for any number of workers, so that it has to
  // wait for the workers while the window is full.
  for (unsigned i = 0; i < 600; ++i) files.emplace_back("s" + std::to_string(1000 + i), TextOf(20 + 37 * i % 4000, i));
  return files;
}

// An output file that passes every call on to a real one, except moves: it can only be committed
// or copied, as a file on another file system.
class PassThroughOutput : public zipcore::OutputFile {
public:
  explicit PassThroughOutput(std::unique_ptr<zipcore::OutputFile> inner) : inner_(std::move(inner)) {}
  void WriteAt(std::uint64_t offset, const void* data, std::size_t length) override {
    inner_->WriteAt(offset, data, length);
  }
  void Truncate(std::uint64_t length) override { inner_->Truncate(length); }
  const std::string& TemporaryPath() const override { return inner_->TemporaryPath(); }
  void SetModificationTime(std::int64_t modified) override { inner_->SetModificationTime(modified); }
  void Commit() override { inner_->Commit(); }
  void Discard() noexcept override { inner_->Discard(); }

private:
  std::unique_ptr<zipcore::OutputFile> inner_;
};

} // namespace ziptest
