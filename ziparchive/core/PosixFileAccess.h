// The file-access seam over POSIX calls (native builds only; Windows has its own in the facade).
#pragma once

#include "core/FileAccess.h"

namespace zipcore {

class PosixFileAccess : public FileAccess {
public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateBeside(const std::string& finalPath) override;
  void CreateFolders(const std::string& path) override;
  void SetModificationTime(const std::string& path, std::int64_t modified) override;
  FileStatus Stat(const std::string& path) override;
};

} // namespace zipcore
