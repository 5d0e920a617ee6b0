// Small files read whole and compressed with bzip2 by the worker threads while the writer reads the
// next files. Entries are handed back in the order they were added, each with the bytes to write:
// its compressed form, or the file itself when it is stored.
#pragma once

#include "core/ZipEntry.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace zipcore {

class Bzip2EncoderPool;

class BackgroundEntries {
public:
  struct Finished {
    ZipEntry entry; // method, sizes and CRC-32 final; offsets still to be set by the writer
    std::vector<std::uint8_t> data;
  };

  BackgroundEntries();
  ~BackgroundEntries();

  // `entry` carries the file's CRC-32 and size. Stored entries (method 0) are kept as they are;
  // otherwise the data are compressed, and stored after all when `storeIfNotSmaller` and
  // compressing did not make them smaller.
  void Add(ZipEntry entry, std::string diskPath, std::vector<std::uint8_t> data, int level, bool storeIfNotSmaller,
           const std::shared_ptr<Bzip2EncoderPool>& pool);

  bool Empty() const { return pending_.empty(); }
  std::size_t Count() const { return pending_.size(); }
  // True when the oldest entry's compression is done, so taking it does not wait.
  bool OldestReady() const;
  // Waits until the compression of the entry `index` places behind the oldest is done.
  void WaitUntilReady(std::size_t index);
  // True when more entries or bytes are waiting than the writer should hold for `threads` workers.
  bool OverLimit(std::size_t threads) const;
  // The file the oldest entry came from (for error reports).
  const std::string& OldestPath() const;
  // Waits for the oldest entry's compression and removes it.
  Finished TakeOldest();
  void Clear();

private:
  struct Pending;
  std::deque<std::unique_ptr<Pending>> pending_;
  std::uint64_t bytes_ = 0;
};

} // namespace zipcore
