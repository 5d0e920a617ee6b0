// An archive opened, partly tested and closed again and again (as the program's unzip jobs do, one
// after another in one process) gives back all it took: the working set stays where it started.
#include <windows.h>
#include <psapi.h>

#include <string>

#include "TestFolder.h"
#include "ZipTestSupport.h"

namespace {

SIZE_T WorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
}

TEST(Release, ArchivesOpenedTestedAndClosedLeaveTheWorkingSetFlat) {
    TestFolder folder;
    const std::wstring archive = folder / L"many.zip";
    {
        CZipArchive zip;
        zip.Open(archive.c_str(), 4, 0);
        for (int i = 0; i < 400; ++i) {
            const std::wstring file = folder / (L"f" + std::to_wstring(i) + L".txt");
            WriteBytes(file, CompressibleText(1500 + i % 7 * 300) + std::to_string(i));
            zip.SetCompressionMethod(i % 2 ? 8 : 12);
            zip.AddNewFileAs(file.c_str(), (L"src\\f" + std::to_wstring(i) + L".txt").c_str());
        }
        zip.Close();
    }
    auto round = [&] {
        CZipArchive zip;
        zip.Open(archive.c_str(), 1, 0);
        for (ZIP_INDEX_TYPE i = 0; i < 3; ++i) ASSERT_TRUE(zip.TestFile(i));
        zip.Close();
    };
    for (int i = 0; i < 20; ++i) round();
    const SIZE_T start = WorkingSet();
    for (int i = 0; i < 1000; ++i) round();
    const SIZE_T end = WorkingSet();
    EXPECT_LT(end, start + (8u << 20)) << "working set from " << start << " to " << end << " bytes";
}

}   // namespace
