// Method 0: the data as they are.
#include "core/methods/Codecs.h"

namespace zipcore {
namespace {

class StoredCompressor : public Compressor {
public:
  void Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override {
    if (length) out.Put(data, length);
  }
  void Finish(ByteSink&) override {}
};

// A stored entry has no end marker: it ends where its recorded size says, so it never "finishes".
class StoredDecompressor : public Decompressor {
public:
  bool Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override {
    if (length) out.Put(data, length);
    return false;
  }
};

} // namespace

std::unique_ptr<Compressor> MakeStoredCompressor() { return std::make_unique<StoredCompressor>(); }
std::unique_ptr<Decompressor> MakeStoredDecompressor() { return std::make_unique<StoredDecompressor>(); }

} // namespace zipcore
