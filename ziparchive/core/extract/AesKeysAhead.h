// Derives the keys of the next WinZip AES entries on worker threads while the caller decrypts and
// decompresses the current one. PBKDF2's 1000 rounds, not the cipher, set the cost of an archive of
// many small AES entries (each has its own salt), so this is where the cores help.
#pragma once

#include "core/FileAccess.h"
#include "core/crypto/WinZipAes.h"
#include "core/parallel/WorkerPool.h"
#include "core/ZipEntry.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zipcore {

class Pbkdf2Sha1;

class AesKeysAhead {
public:
  AesKeysAhead(InputFile& archive, const std::vector<ZipEntry>& entries, std::shared_ptr<WorkerPool> pool);
  // Cancels the derivations not started; the password's copy, its PBKDF2 states and every key are wiped.
  ~AesKeysAhead();
  AesKeysAhead(const AesKeysAhead&) = delete;
  AesKeysAhead& operator=(const AesKeysAhead&) = delete;

  // Starts deriving, under `password`, the keys of the next AES entries after `index`: enough of
  // them to keep every worker busy.
  void StartAfter(std::size_t index, const std::string& password);
  // The keys of entry `index` under `password`, when they were started ahead (derived here at once
  // when no worker has begun them yet, else waited for) or were the last ones taken; false
  // otherwise: the caller derives them itself.
  bool Take(std::size_t index, const std::string& password, AesKeys& keys);

private:
  struct Job;
  void Forget(std::size_t index);
  // The PBKDF2 states of `password`, made again only when the password changes.
  const std::shared_ptr<const Pbkdf2Sha1>& Prepared(const std::string& password);

  InputFile& archive_;
  const std::vector<ZipEntry>& entries_;
  std::shared_ptr<WorkerPool> pool_;
  std::map<std::size_t, std::shared_ptr<Job>> started_;
  std::string password_; // the password the states below are of
  std::shared_ptr<const Pbkdf2Sha1> prepared_;
  // The keys last taken: an entry read twice (tested, then extracted) is derived once.
  std::size_t lastIndex_ = 0;
  std::shared_ptr<const Pbkdf2Sha1> lastPrepared_;
  AesKeys last_;
};

} // namespace zipcore
