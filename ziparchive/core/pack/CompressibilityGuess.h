// A quick guess whether data are worth compressing: true when they look already compressed (or
// random), so that compressing them would save next to nothing. It looks at the two things a
// general-purpose compressor lives on, measured in one cheap pass: how unevenly the byte values are
// spread (order-0 entropy) and how much of the data repeats earlier data (matches of 8 bytes or
// more, at any distance within the sample). Data of text, code, tables or images without
// compression always show one or the other clearly; gzip, PNG, JPEG, video or zip data show neither.
#pragma once

#include "core/FileAccess.h"

#include <cstddef>
#include <cstdint>

namespace zipcore {

// Samples shorter than this are never judged incompressible: compressing them costs next to nothing.
constexpr std::size_t kCompressibilityMinSample = 512;

// The fraction of the sample (0..1) a compressor could be expected to save, roughly.
double EstimatedSaving(const std::uint8_t* data, std::size_t length);

// True when compressing the sample would most likely save less than about 2%.
bool LooksIncompressible(const std::uint8_t* data, std::size_t length);

// The same for a whole file, judged by its first MiB and, for a larger file, three samples of
// 256 KiB a quarter, half and three quarters of the way in: an archive or video inside which text
// follows is then still compressed.
bool FileLooksIncompressible(InputFile& file);

} // namespace zipcore
