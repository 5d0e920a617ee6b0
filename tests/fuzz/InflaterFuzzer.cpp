// libFuzzer target for our inflater (Deflate64, method 9). The input's first byte chooses the size of the
// pieces the rest is fed in; the rest is a stream.
//  - As plain deflate it is differential against zlib: whatever one of them decodes to the end, the
//    other must decode to the end, to the same bytes. (Where neither ends, one may call the data
//    damaged while the other still waits for more.)
//  - As Deflate64 it must come out the same whether fed whole or in pieces.
#include "core/ZipError.h"
#include "core/methods/Inflater.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace zipcore;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::size_t kOutputLimit = 1u << 20;

enum class Outcome { Finished, Damaged, Unfinished, TooLarge };

struct Run {
  Outcome outcome;
  Bytes output;
};

struct TooLarge {};

class LimitedSink : public ByteSink {
public:
  void Put(const std::uint8_t* data, std::size_t length) override {
    if (bytes.size() + length > kOutputLimit) throw TooLarge();
    bytes.insert(bytes.end(), data, data + length);
  }
  Bytes bytes;
};

Run Zlib(const Bytes& stream) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) std::abort();
  Bytes out(1u << 16);
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  std::size_t used = 0;
  int result = Z_OK;
  for (;;) {
    if (out.size() - used < 4096) out.resize(out.size() * 2);
    z.next_out = out.data() + used;
    z.avail_out = static_cast<uInt>(out.size() - used);
    result = inflate(&z, Z_NO_FLUSH);
    used = out.size() - z.avail_out;
    if (result != Z_OK || used > kOutputLimit || (z.avail_in == 0 && z.avail_out != 0)) break;
  }
  inflateEnd(&z);
  out.resize(used);
  if (used > kOutputLimit) return {Outcome::TooLarge, {}};
  if (result == Z_STREAM_END) return {Outcome::Finished, out};
  if (result == Z_DATA_ERROR) return {Outcome::Damaged, {}};
  return {Outcome::Unfinished, {}};
}

Run Ours(const Bytes& stream, Inflater::Variant variant, std::size_t piece) {
  Inflater inflater(variant);
  LimitedSink sink;
  try {
    bool finished = false;
    for (std::size_t at = 0; at < stream.size() && !finished; at += piece)
      finished = inflater.Write(stream.data() + at, std::min(piece, stream.size() - at), sink);
    return {finished ? Outcome::Finished : Outcome::Unfinished, sink.bytes};
  } catch (const ZipError&) {
    return {Outcome::Damaged, {}};
  } catch (const TooLarge&) {
    return {Outcome::TooLarge, {}};
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 16)) return 0;
  const std::size_t piece = std::size_t{1} << (data[0] % 17); // 1 byte to 64 KiB
  const Bytes stream(data + 1, data + size);

  const Run zlib = Zlib(stream);
  const Run plain = Ours(stream, Inflater::Variant::Deflate, piece);
  if (zlib.outcome != Outcome::TooLarge && plain.outcome != Outcome::TooLarge &&
      (zlib.outcome == Outcome::Finished || plain.outcome == Outcome::Finished) &&
      (zlib.outcome != plain.outcome || zlib.output != plain.output))
    std::abort();

  const Run whole = Ours(stream, Inflater::Variant::Deflate64, stream.size() + 1);
  const Run pieces = Ours(stream, Inflater::Variant::Deflate64, piece);
  if (whole.outcome != Outcome::TooLarge && pieces.outcome != Outcome::TooLarge &&
      (whole.outcome != pieces.outcome || whole.output != pieces.output))
    std::abort();
  return 0;
}
