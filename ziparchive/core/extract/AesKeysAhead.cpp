#include "core/extract/AesKeysAhead.h"

#include "core/crypto/Pbkdf2Sha1.h"
#include "core/crypto/Wipe.h"
#include "core/ZipError.h"

namespace zipcore {
namespace {

// Entries started ahead for each worker: enough to keep them all busy while one entry is decoded;
// each job holds a few hundred bytes.
constexpr std::size_t kEntriesAheadPerWorker = 4;

} // namespace

struct AesKeysAhead::Job {
  std::shared_ptr<const Pbkdf2Sha1> password;
  int strength = 0;
  std::uint8_t salt[16] = {};
  AesKeys keys;
  bool derived = false;
  std::shared_ptr<WorkerPool::Ticket> ticket;
};

AesKeysAhead::AesKeysAhead(InputFile& archive, const std::vector<ZipEntry>& entries, std::shared_ptr<WorkerPool> pool)
    : archive_(archive), entries_(entries), pool_(std::move(pool)) {}

AesKeysAhead::~AesKeysAhead() {
  while (!started_.empty()) Forget(started_.begin()->first);
  Wipe(password_);
}

const std::shared_ptr<const Pbkdf2Sha1>& AesKeysAhead::Prepared(const std::string& password) {
  if (!prepared_ || password != password_) {
    prepared_ = std::make_shared<const Pbkdf2Sha1>(password);
    Wipe(password_);
    password_ = password;
  }
  return prepared_;
}

void AesKeysAhead::Forget(std::size_t index) {
  auto found = started_.find(index);
  if (found == started_.end()) return;
  // A running task holds its job through its own capture: it ends on its own and the job goes then.
  pool_->Cancel(*found->second->ticket);
  started_.erase(found);
}

void AesKeysAhead::StartAfter(std::size_t index, const std::string& password) {
  // Jobs behind the caller will never be asked for.
  while (!started_.empty() && started_.begin()->first <= index) Forget(started_.begin()->first);
  const std::shared_ptr<const Pbkdf2Sha1>& prepared = Prepared(password);
  const std::size_t ahead = kEntriesAheadPerWorker * pool_->Threads();
  std::size_t counted = 0;
  for (std::size_t i = index + 1; i < entries_.size() && counted < ahead; ++i) {
    const ZipEntry& entry = entries_[i];
    if (entry.Encryption() != EntryEncryption::WinZipAes || entry.inOtherVolume) continue;
    ++counted;
    auto existing = started_.find(i);
    if (existing != started_.end()) {
      if (existing->second->password == prepared) continue;
      Forget(i);
    }
    auto job = std::make_shared<Job>();
    job->strength = entry.aesStrength;
    const std::size_t saltSize = AesSaltSize(entry.aesStrength);
    // The archive is read here, on the caller's thread; the workers only derive.
    if (saltSize == 0 || entry.compressedSize < saltSize ||
        archive_.ReadAt(entry.dataOffset, job->salt, saltSize) != saltSize)
      continue;
    job->password = prepared;
    job->ticket = pool_->Submit([job] {
      try {
        DeriveAesKeys(*job->password, job->strength, job->salt, job->keys);
        job->derived = true;
      } catch (const ZipError&) {
      }
    });
    started_[i] = std::move(job);
  }
}

bool AesKeysAhead::Take(std::size_t index, const std::string& password, AesKeys& keys) {
  const std::shared_ptr<const Pbkdf2Sha1>& prepared = Prepared(password);
  auto found = started_.find(index);
  if (found == started_.end()) {
    if (lastPrepared_ != prepared || lastIndex_ != index) return false;
    keys = last_;
    return true;
  }
  std::shared_ptr<Job> job = found->second;
  started_.erase(found);
  if (job->password != prepared) {
    pool_->Cancel(*job->ticket);
    return false;
  }
  // Not begun yet: this thread would only wait for it, so it derives the keys itself, and the
  // workers go on with the next entries.
  pool_->Cancel(*job->ticket);
  pool_->Wait(*job->ticket);
  if (!job->derived) {
    DeriveAesKeys(*prepared, job->strength, job->salt, job->keys);
    job->derived = true;
  }
  keys = job->keys;
  last_ = job->keys;
  lastIndex_ = index;
  lastPrepared_ = prepared;
  return true;
}

} // namespace zipcore
