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

class AesKeysAhead {
public:
  AesKeysAhead(InputFile& archive, const std::vector<ZipEntry>& entries, std::shared_ptr<WorkerPool> pool);
  // Cancels the derivations not started; every password and key copy is wiped.
  ~AesKeysAhead();
  AesKeysAhead(const AesKeysAhead&) = delete;
  AesKeysAhead& operator=(const AesKeysAhead&) = delete;

  // Starts deriving, under `password`, the keys of the next few AES entries after `index`.
  void StartAfter(std::size_t index, const std::string& password);
  // The keys of entry `index` under `password`, when they were started ahead (waits for them);
  // false otherwise: the caller derives them itself.
  bool Take(std::size_t index, const std::string& password, AesKeys& keys);

private:
  struct Job;
  void Forget(std::size_t index);

  InputFile& archive_;
  const std::vector<ZipEntry>& entries_;
  std::shared_ptr<WorkerPool> pool_;
  std::map<std::size_t, std::shared_ptr<Job>> started_;
};

} // namespace zipcore
