// Where an archive is unpacked: the name rules on paths, then on real files and folders.
#include <gtest/gtest.h>

#include <set>

#include "Testkit.h"
#include "TestArchives.h"
#include "jobs/UnzipTarget.h"
#include "jobs/JobWorker.h"
#include "jobs/UnzipWorker.h"

namespace {

struct NameCase {
    const wchar_t* archive;
    std::set<std::wstring> existingFiles;
    const wchar_t* target;
};

TEST(UnzipTarget, FollowsTheNameRules) {
    const NameCase cases[] = {
        {L"C:\\data\\photos.zip", {}, L"C:\\data\\photos"},
        {L"C:\\data\\photos.zip", {L"C:\\data\\photos"}, L"C:\\data\\photos(1)"},
        {L"C:\\data\\photos.zip", {L"C:\\data\\photos", L"C:\\data\\photos(1)"}, L"C:\\data\\photos(2)"},
        {L"C:\\data\\photos.zip",
         {L"C:\\data\\photos", L"C:\\data\\photos(1)", L"C:\\data\\photos(2)"},
         L"C:\\data\\photos(3)"},
        // the dot of a folder is not the archive's extension: the name is the archive's own, a file
        {L"C:\\data\\my.files\\archive", {L"C:\\data\\my.files\\archive"}, L"C:\\data\\my.files\\archive(1)"},
        {L"C:\\data\\archive", {L"C:\\data\\archive"}, L"C:\\data\\archive(1)"},
        {L"C:\\data\\photos.2024.zip", {}, L"C:\\data\\photos.2024"},
        {L"C:\\data\\.zip", {L"C:\\data\\.zip"}, L"C:\\data\\.zip(1)"},
        {L"C:/data/my.files/photos.zip", {}, L"C:/data/my.files/photos"},
        {L"C:\\données\\Ωμέγα 中文 ☃.zip", {}, L"C:\\données\\Ωμέγα 中文 ☃"},
        {L"relative.zip", {}, L"relative"},
    };
    for (const NameCase& c : cases) {
        const auto isFile = [&](const CString& path) { return c.existingFiles.count(path.Str()) > 0; };
        EXPECT_EQ(std::wstring(c.target), UnzipTargetFolder(c.archive, isFile).Str())
            << testkit::Narrow(c.archive) << " with " << c.existingFiles.size() << " existing files";
    }
}

TEST(UnzipTarget, OnDiskAFolderIsReusedAndFilesAreCountedPast) {
    testkit::TempFolder temp(L"target");
    const std::wstring archive = temp / L"photos.zip";
    ASSERT_TRUE(unziptest::WriteBytes(archive, unziptest::ZipBytes({})));
    EXPECT_EQ(temp / L"photos", UnzipTargetFolder(archive.c_str(), IsExistingFile).Str());

    ASSERT_TRUE(::CreateDirectoryW((temp / L"photos").c_str(), nullptr));
    EXPECT_EQ(temp / L"photos", UnzipTargetFolder(archive.c_str(), IsExistingFile).Str())
        << "an existing folder is reused";

    ASSERT_TRUE(::RemoveDirectoryW((temp / L"photos").c_str()));
    ASSERT_TRUE(unziptest::WriteBytes(temp / L"photos", "a file"));
    ASSERT_TRUE(unziptest::WriteBytes(temp / L"photos(1)", "another file"));
    EXPECT_EQ(temp / L"photos(2)", UnzipTargetFolder(archive.c_str(), IsExistingFile).Str());
}

TEST(UnzipTarget, FileSizeIsZeroForAMissingFile) {
    testkit::TempFolder temp(L"size");
    ASSERT_TRUE(unziptest::WriteBytes(temp / L"five.zip", "12345"));
    EXPECT_EQ(5, FileSizeOf((temp / L"five.zip").c_str()));
    EXPECT_EQ(0, FileSizeOf((temp / L"missing.zip").c_str()));
}

}   // namespace
