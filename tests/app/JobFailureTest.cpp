// A job that fails for lack of space or rights says which, and where, under its failure message,
// and leaves no temporary file and nothing half-written under a final name. The disks are real:
// small tmpfs and a read-only mount made for these tests (small-disks.sh), seen through drive Z:.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TestArchives.h"
#include "TestTree.h"
#include "Testkit.h"
#include "UnzipTexts.h"
#include "ZipWindowRun.h"
#include "ziparchive/CZipArchive.h"

namespace {

using namespace unziptest;
using testkit::ChildProcess;
using testkit::WindowQuery;

const std::wstring kDisks = SMALL_DISKS;
const std::wstring kUnzipFullDisk = kDisks + L"\\unzip-full";
const std::wstring kZipFullDisk = kDisks + L"\\zip-full";
const std::wstring kWritable = kDisks + L"\\writable";
const std::wstring kReadOnly = kDisks + L"\\read-only";
const long kJobFailed = 1;

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

bool HasTemporaryFile(const std::wstring& folder) {
    for (const std::wstring& name : ziptest::ListFolder(folder)) {
        if (name.compare(0, 4, L"~tav") == 0) return true;
        const DWORD attributes = ::GetFileAttributesW((folder + L"\\" + name).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            HasTemporaryFile(folder + L"\\" + name))
            return true;
    }
    return false;
}

// Unpacks the archive in command-line mode; returns the text of the failure box, which is answered.
std::wstring UnzipFailureText(const std::wstring& archive) {
    testkit::LaunchOptions options;
    options.exe = testkit::TavolineExe();
    options.arguments = L"\"" + archive + L"\"";
    ChildProcess child(options, TK_HERE);
    if (!child.Started()) return std::wstring();
    HWND box = testkit::WaitForWindow(WindowQuery::Dialog(kUnzipper, child.Pid()).WithText(kFailure), 60000);
    EXPECT_NE(nullptr, box) << testkit::DescribeWindowsOf(child.Pid());
    if (!box) return std::wstring();
    const std::wstring text = testkit::MessageBoxText(box);
    testkit::PressOk(box);
    EXPECT_EQ(kJobFailed, child.WaitForExit(TK_HERE));
    return text;
}

// Bytes that no compressor shrinks.
std::string Noise(size_t bytes) {
    std::string data(bytes, '\0');
    uint32_t state = 2463534242u;
    for (char& byte : data) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    return data;
}

TEST(JobFailure, AFullDiskWhileUnzippingIsNamedAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(FolderExists(kUnzipFullDisk)) << "small-disks.sh mounts the disk";
    // 16 MiB that bzip2 packs into a few hundred bytes: the archive fits the 4 MiB disk, its entry does not.
    testkit::TempFolder source(L"full unzip");
    const std::wstring text = source / L"big.txt";
    ASSERT_TRUE(WriteBytes(text, std::string(16u << 20, 'a')));
    const std::wstring archive = kUnzipFullDisk + L"\\big.zip";
    {
        CZipArchive zip;
        zip.Open(archive.c_str(), CZipArchive::zipCreate, 0);
        zip.AddNewFileAs(text.c_str(), L"big.txt");
        zip.Close(0, false);
    }
    const std::wstring shown = UnzipFailureText(archive);
    EXPECT_TRUE(Contains(shown, std::wstring(kFailure) + L"\n\nThe disk holding " + kUnzipFullDisk))
        << testkit::Narrow(shown);
    EXPECT_TRUE(Contains(shown, L" is full.")) << testkit::Narrow(shown);
    EXPECT_FALSE(HasTemporaryFile(kUnzipFullDisk));
    EXPECT_FALSE(FileExists(kUnzipFullDisk + L"\\big\\big.txt")) << "nothing half-written under the entry's name";
    ziptest::RemoveTree(kUnzipFullDisk + L"\\big");
    ::DeleteFileW(archive.c_str());
}

TEST(JobFailure, AFullDiskWhileZippingKeepsTheOlderArchiveAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(FolderExists(kZipFullDisk)) << "small-disks.sh mounts the disk";
    const std::wstring folder = kZipFullDisk + L"\\photos";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(folder + L"\\noise.bin", Noise(3u << 20)));
    const std::string older = "an older archive of the same name";
    ASSERT_TRUE(WriteBytes(folder + L".zip", older));

    const ziptest::ZipRun run = ziptest::RunZipJob(folder, true);
    EXPECT_EQ(std::wstring(ziptest::kZipFailed) + L"\n\nThe disk holding " + kZipFullDisk + L" is full.", run.boxText);
    EXPECT_EQ(older, ReadBytes(folder + L".zip"));
    EXPECT_FALSE(HasTemporaryFile(kZipFullDisk));
    ziptest::RemoveTree(folder);
    ::DeleteFileW((folder + L".zip").c_str());
}

TEST(JobFailure, AReadOnlyPlaceIsNamedForUnzipAndZip) {
    ASSERT_TRUE(FolderExists(kReadOnly)) << "small-disks.sh mounts the read-only view";
    ASSERT_TRUE(WriteBytes(kWritable + L"\\letters.zip", ZipBytes({{"a.txt", "alpha"}})));
    ASSERT_TRUE(FileExists(kReadOnly + L"\\letters.zip"));
    const std::wstring shown = UnzipFailureText(kReadOnly + L"\\letters.zip");
    EXPECT_EQ(std::wstring(kFailure) + L"\n\nTavoline may not write here: " + kReadOnly + L"\\letters", shown);
    EXPECT_FALSE(FolderExists(kReadOnly + L"\\letters"));

    ::CreateDirectoryW((kWritable + L"\\notes").c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(kWritable + L"\\notes\\n.txt", "a note"));
    const ziptest::ZipRun run = ziptest::RunZipJob(kReadOnly + L"\\notes", true);
    EXPECT_EQ(std::wstring(ziptest::kZipFailed) + L"\n\nTavoline may not write here: " + kReadOnly + L"\\notes.zip",
              run.boxText);
    EXPECT_FALSE(FileExists(kReadOnly + L"\\notes.zip"));
}

TEST(JobFailure, AnArchiveLockedByAnotherProgramIsNamed) {
    testkit::TempFolder temp(L"locked");
    const std::wstring archive = temp / L"locked.zip";
    ASSERT_TRUE(WriteBytes(archive, ZipBytes({{"a.txt", "alpha"}})));
    HANDLE lock =
        ::CreateFileW(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    const std::wstring shown = UnzipFailureText(archive);
    ::CloseHandle(lock);
    EXPECT_EQ(std::wstring(kFailure) + L"\n\nAnother program is using the file: " + archive, shown);
    EXPECT_FALSE(HasTemporaryFile(temp.Path()));
}

}   // namespace
