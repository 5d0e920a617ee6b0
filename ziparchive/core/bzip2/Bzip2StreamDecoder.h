// A whole bzip2 stream held in memory, decoded block by block with Bzip2BlockDecoder.
#pragma once

#include "core/bzip2/Bzip2BlockDecoder.h"

namespace zipcore {

// Decodes the stream at data[0, length) into `out` (cleared first), at most `outputLimit` bytes.
// Ok once the end-of-stream marker and the combined CRC check out; bytes after them are ignored.
// Damaged for anything unsound, including a stream that is cut short; NotHandled when a block is
// one the decoder leaves to libbz2.
Bzip2BlockDecoder::Result DecodeBzip2Stream(const std::uint8_t* data, std::size_t length,
                                            std::vector<std::uint8_t>& out, std::size_t outputLimit,
                                            Bzip2BlockDecoder& decoder);

} // namespace zipcore
