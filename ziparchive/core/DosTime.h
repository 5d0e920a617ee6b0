// MS-DOS date and time fields (local time, 2-second steps, 1980-2107) and Unix time.
#pragma once

#include <cstdint>

namespace zipcore {

struct DosDateTime {
  std::uint16_t date = 0;
  std::uint16_t time = 0;
};

// Times outside the DOS range are clamped to its ends.
DosDateTime UnixToDos(std::int64_t unixTime);
std::int64_t DosToUnix(DosDateTime dos);

} // namespace zipcore
