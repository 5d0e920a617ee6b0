// Method 12 on several cores: the entry's data are cut where libbz2 would end its blocks, the blocks
// are compressed by a pool of worker threads, and the results are joined into one standard bzip2
// stream. The bytes do not depend on the number of threads or on how the input is fed. With libbz2's
// stages encoding every block (see Bzip2BlockEncoder) they are those libbz2 alone writes for the whole
// input, finishing with all input at hand. At most two blocks per thread are in flight, so memory stays
// bounded whatever the size of the entry.
#pragma once

#include "core/bzip2/Bzip2BlockSplitter.h"
#include "core/pack/Bzip2EncoderPool.h"
#include "core/bzip2/Bzip2StreamJoiner.h"
#include "core/methods/Codec.h"

#include <deque>
#include <memory>

namespace zipcore {

class ParallelBzip2Compressor : public Compressor {
public:
  // level: -1 or 0 the default (900k blocks), 1 to 9 blocks of 100k to 900k.
  ParallelBzip2Compressor(int level, std::shared_ptr<Bzip2EncoderPool> pool);
  ~ParallelBzip2Compressor() override;

  void Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override;
  // Hands the last block to the workers without waiting for any of them; Write may not follow.
  void EndInput(ByteSink& out);
  // The whole input, shared with the caller, and its end (nothing may have been written before): input
  // that makes one block goes to a worker as it is, without the splitter's copy.
  void WriteAllAndEnd(std::shared_ptr<const std::vector<std::uint8_t>> data, ByteSink& out);
  // True once every block handed to the workers has been compressed.
  bool Idle() const;
  // Waits until Idle() is true; writes nothing.
  void WaitUntilIdle();
  // Ends the input if that has not been done, waits for the workers and writes the rest.
  void Finish(ByteSink& out) override;

private:
  void Submit(std::shared_ptr<Bzip2BlockJob> job, ByteSink& out);
  void EmitOldest(ByteSink& out);
  void Flush(ByteSink& out);

  int blockSize100k_;
  std::shared_ptr<Bzip2EncoderPool> pool_;
  std::size_t maxInFlight_;
  Bzip2BlockSplitter splitter_;
  Bzip2StreamJoiner joiner_;
  std::deque<std::shared_ptr<Bzip2BlockJob>> inFlight_;
  bool ended_ = false;
};

} // namespace zipcore
