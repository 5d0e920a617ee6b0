// Block decoders (each with megabytes of work arrays) kept for the next block or entry, shared by the
// tasks of one reader and gone with them; at most one per worker thread is in use at a time. Not
// thread_local: in a Windows DLL, a thread's storage may be freed before its objects are destroyed.
#pragma once

#include "core/bzip2/Bzip2BlockDecoder.h"

#include <memory>
#include <mutex>
#include <vector>

namespace zipcore {

class Bzip2DecoderShelf {
public:
  std::unique_ptr<Bzip2BlockDecoder> Take() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (!idle_.empty()) {
        std::unique_ptr<Bzip2BlockDecoder> decoder = std::move(idle_.back());
        idle_.pop_back();
        return decoder;
      }
    }
    return std::make_unique<Bzip2BlockDecoder>();
  }
  void Give(std::unique_ptr<Bzip2BlockDecoder> decoder) {
    std::lock_guard<std::mutex> hold(lock_);
    idle_.push_back(std::move(decoder));
  }

private:
  std::mutex lock_;
  std::vector<std::unique_ptr<Bzip2BlockDecoder>> idle_;
};

} // namespace zipcore
