// Method 9: Deflate64, through our own inflater (Debian's zlib is built without Deflate64).
#include "core/methods/Codecs.h"
#include "core/methods/Inflater.h"

namespace zipcore {
namespace {

class Deflate64Decompressor : public Decompressor {
public:
  bool Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override {
    return inflater_.Write(data, length, out);
  }

private:
  Inflater inflater_{Inflater::Variant::Deflate64};
};

} // namespace

std::unique_ptr<Decompressor> MakeDeflate64Decompressor() { return std::make_unique<Deflate64Decompressor>(); }

} // namespace zipcore
