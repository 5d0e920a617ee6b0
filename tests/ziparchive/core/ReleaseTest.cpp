// A reader closed at any point (after one entry, in the middle, after a damaged entry) and a writer
// abandoned with entries still being compressed release everything they started: the process's
// resident memory stays flat over many rounds.
#include "TestSupport.h"

#include "core/parallel/WorkerPool.h"
#include "core/pack/ArchivePacker.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <future>
#include <thread>

using namespace zipcore;
using namespace ziptest;

namespace {

constexpr std::size_t kBuffer = 65536;
constexpr long kAllowedGrowth = 8L << 20;

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// Text that compresses, different in every entry.
std::string EntryText(std::size_t index, std::size_t size) {
  std::string text;
  for (std::size_t line = 0; text.size() < size; ++line)
    text += "entry " + std::to_string(index) + " line " + std::to_string(line * 7919 % 1000) + "\n";
  text.resize(size);
  return text;
}

// Resident memory after `rounds` rounds, less that after the first few (a warm-up). Rounds are
// numbered on from the warm-up's.
constexpr std::size_t kWarmUp = 20;
template <typename Round>
long GrowthOver(std::size_t rounds, Round round) {
  for (std::size_t i = 0; i < kWarmUp; ++i) round(i);
  const long start = ResidentBytes();
  for (std::size_t i = kWarmUp; i < kWarmUp + rounds; ++i) round(i);
  return ResidentBytes() - start;
}

// Work queued and never run lets go of what it holds at once: cancelled, or dropped by a stopping
// pool, even when what it holds keeps the task's own ticket (as decode-ahead jobs do).
TEST(Release, QueuedTasksLetGoWhenCancelledOrDroppedAndNeverRun) {
  struct Job {
    std::shared_ptr<WorkerPool::Ticket> ticket;
  };
  std::weak_ptr<Job> cancelled, dropped;
  std::atomic<bool> cancelledRan{false};
  std::promise<void> release;
  std::thread releaser;
  {
    WorkerPool pool(1);
    std::shared_future<void> released = release.get_future().share();
    auto busy = pool.Submit([released] { released.wait(); }); // holds the only worker
    auto job = std::make_shared<Job>();
    job->ticket = pool.Submit([job, &cancelledRan] { cancelledRan = true; });
    cancelled = job;
    std::shared_ptr<WorkerPool::Ticket> ticket = job->ticket;
    job = std::make_shared<Job>();
    job->ticket = pool.Submit([job] {});
    dropped = job;
    job.reset();

    pool.Cancel(*ticket);
    EXPECT_TRUE(cancelled.expired()) << "a cancelled task still holds its job";
    pool.Wait(*ticket); // returns at once: cancelled counts as done
    // The busy task ends while the pool is being destroyed, which drops the task still queued.
    releaser = std::thread([&release] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      release.set_value();
    });
  }
  releaser.join();
  EXPECT_TRUE(dropped.expired()) << "a task dropped by the stopping pool still holds its job";
  EXPECT_FALSE(cancelledRan);
}

TEST(Release, ReadersClosedAtAnyPointLeaveMemoryFlat) {
  TempFolder folder;
  TestArchive archive;
  for (std::size_t i = 0; i < 400; ++i)
    archive.entries.emplace_back("src/f" + std::to_string(i) + ".txt", EntryText(i, 1500 + i % 7 * 300),
                                 i % 2 ? 8 : 12);
  archive.entries[300].crc = 0; // damaged: the unzip job stops here
  const Bytes bytes = Build(archive);
  const std::string path = folder / "many.zip";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());

  // Closed after the first entry, after 64 of them, and at the damaged entry.
  const std::size_t stops[] = {1, 64, SIZE_MAX};
  std::size_t tested = 0;
  const long growth = GrowthOver(1000, [&](std::size_t round) {
    ZipReader reader(Files(), path);
    ArchiveExtractor unzip(reader);
    for (std::size_t i = 0; i < std::min(stops[round % 3], reader.Count()); ++i, ++tested)
      if (!unzip.Test(i, kBuffer)) break;
  });
  EXPECT_EQ(tested, (kWarmUp + 1000) / 3 * (1 + 64 + 300)); // 1,020 rounds: each stop 340 times
  EXPECT_LT(growth, kAllowedGrowth) << "resident memory grew by " << growth << " bytes";
  EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{"many.zip"});
}

TEST(Release, WritersAbandonedWhileCompressingLeaveMemoryFlat) {
  TempFolder folder;
  for (std::size_t i = 0; i < 8; ++i) WriteFile(folder / ("in" + std::to_string(i)), EntryText(i, 20000));
  const long growth = GrowthOver(200, [&](std::size_t round) {
    ArchivePacker writer(Files(), folder / "out.zip");
    for (std::size_t i = 0; i < 8; ++i)
      writer.AddFile(folder / ("in" + std::to_string(i)), "in" + std::to_string(i), -1, kSmartAll, kBuffer);
    if (round % 2) writer.Abandon(); // otherwise destroyed unfinished
  });
  EXPECT_LT(growth, kAllowedGrowth) << "resident memory grew by " << growth << " bytes";
  EXPECT_FALSE(std::filesystem::exists(folder / "out.zip"));
}

} // namespace
