// Reading back the archives the zip job writes: through ZipArchive.dll here, and natively again
// afterwards with Python's zipfile and Info-ZIP unzip (check_archives.py) from an exported copy.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace ziptest {

// Relative path ("\" separators) → content.
using Files = std::map<std::wstring, std::string>;

// The files the tests make: each name with ContentFor its file name.
Files Expected(const std::vector<std::wstring>& relativePaths);

struct Extracted {
    unsigned entries = 0;   // as the archive counts them
    Files files;            // what extracting every entry gave
    std::string problem;    // empty when the archive could be read and extracted
};
// Extracts every entry of the archive into a fresh folder and reads back what came out.
Extracted ExtractAll(const std::wstring& archive);

// Copies the archive to <build>/tests/zip-archives/<label>.zip with the entry names it must hold
// (<label>.zip.expect, UTF-8, "/" separators), for the native check. Removes an older copy first.
void ExportForNativeCheck(const std::wstring& label, const std::wstring& archive, const Files& expected);
void ForgetExport(const std::wstring& label);

}   // namespace ziptest
