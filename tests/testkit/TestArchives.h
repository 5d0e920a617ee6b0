// Zip archives for the unzip tests, from the tests' one zip-bytes builder: stored entries only,
// so a test can damage exactly the byte it wants and hostile names are written as given.
#pragma once

#include <string>
#include <vector>

namespace unziptest {

struct Entry {
    std::string name;   // UTF-8, "/" separators; a name ending in "/" is a folder
    std::string data;
};

// The archive's bytes; non-ASCII names carry the UTF-8 flag; more than 65,535 entries get the
// zip64 end records. corruptIndex >= 0 flips one byte of that entry's data after its CRC was
// taken, so the entry fails its test.
std::string ZipBytes(const std::vector<Entry>& entries, int corruptIndex = -1);

// count entries "dNNN/fNNNNN.txt" spread over folders of at most 256 files, each holding its own name.
std::vector<Entry> ManyEntries(int count);

// Writes bytes to a file at a wide path; false on failure.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
// The whole content of a file; empty when it cannot be read (see FileExists).
std::string ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// The files below a folder, relative to it with "/" separators, UTF-8, sorted.
std::vector<std::string> FilesBelow(const std::wstring& folder);

}   // namespace unziptest
