// The DLL's Windows half, tested directly: wide text conversion, long paths and the
// Win32 file seam under the core.
#include <gtest/gtest.h>

#include "TestFolder.h"
#include "core/ZipError.h"
#include "core/TextEncoding.h"
#include "ziparchive/win32/Win32FileSystem.h"
#include "ziparchive/win32/Win32Path.h"

using namespace zipfacade;
using zipcore::Utf8ToWide;
using zipcore::WideToUtf8;

namespace {

TEST(WideUtf8, ConvertsBothWaysWithoutLoss) {
    const std::wstring texts[] = {
        L"",
        L"plain.txt",
        L"donn\u00e9es/\u65e5\u672c\u8a9e",
        L"emoji \U0001F600",
        std::wstring(1, static_cast<wchar_t>(0xD800)) + L"lone high",   // legal in a Windows file name
        L"lone low " + std::wstring(1, static_cast<wchar_t>(0xDFFF)),
    };
    for (const std::wstring& text : texts) EXPECT_EQ(text, Utf8ToWide(WideToUtf8(text)));
    EXPECT_EQ(
        "donn\xC3\xA9"
        "es",
        WideToUtf8(L"donn\u00e9es"));
    EXPECT_EQ("\xF0\x9F\x98\x80", WideToUtf8(L"\U0001F600"));
}

TEST(WideUtf8, BytesThatAreNotUtf8BecomeReplacementCharacters) {
    EXPECT_EQ(L"a\uFFFDb", Utf8ToWide("a\xFF"
                                      "b"));
    EXPECT_EQ(L"\uFFFD\uFFFD", Utf8ToWide("\xC0\xAF"));     // overlong "/"
    EXPECT_EQ(L"x\uFFFD\uFFFD", Utf8ToWide("x\xE6\x97"));   // cut short: each byte replaced
}

TEST(LongPath, IsAbsoluteAndPrefixed) {
    TestFolder folder;
    CurrentDirectory here(folder.Path());
    EXPECT_EQ(L"\\\\?\\" + folder.Path() + L"\\sub\\a.txt", ToLongPath(L"sub/./x/../a.txt"));
    EXPECT_EQ(L"\\\\?\\C:\\x\\y", ToLongPath(L"C:/x/y"));
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\a", ToLongPath(L"\\\\server\\share\\a"));
    EXPECT_EQ(L"\\\\?\\C:\\kept as is.", ToLongPath(L"\\\\?\\C:\\kept as is."));
    EXPECT_EQ(L"C:\\x", WithoutLongPrefix(L"\\\\?\\C:\\x"));
    EXPECT_EQ(L"\\\\server\\share\\a", WithoutLongPrefix(L"\\\\?\\UNC\\server\\share\\a"));
}

TEST(FileTimes, ConvertBothWays) {
    for (std::int64_t seconds : {0LL, 1589710830LL, -86400LL, 4102444800LL})
        EXPECT_EQ(seconds, FileTimeToUnix(UnixToFileTime(seconds)));
    const FILETIME earliest = UnixToFileTime(-20000000000LL);   // before 1601
    EXPECT_EQ(0u, earliest.dwLowDateTime | earliest.dwHighDateTime);
}

class Seam : public ::testing::Test {
protected:
    std::string Utf8(const std::wstring& relative) const { return WideToUtf8(m_folder / relative); }

    TestFolder m_folder;
    Win32FileSystem m_files;
};

TEST_F(Seam, AnOutputFileIsInvisibleUntilCommittedAndThenReplacesTheOldFile) {
    WriteBytes(m_folder / L"final.bin", "old");
    auto output = m_files.CreateBeside(Utf8(L"final.bin"));
    const std::string large = RandomBytes(3 * 1024 * 1024, 1);
    output->WriteAt(0, "head", 4);
    output->WriteAt(4, large.data(), large.size());
    output->WriteAt(4 + large.size(), "tail", 4);
    output->WriteAt(0, "HEAD", 4);   // rewriting earlier bytes, as headers are
    EXPECT_EQ("old", ReadBytes(m_folder / L"final.bin"));
    EXPECT_EQ(2u, FolderNames(m_folder.Path()).size());
    output->Commit();
    EXPECT_EQ("HEAD" + large + "tail", ReadBytes(m_folder / L"final.bin"));
    EXPECT_EQ(std::vector<std::wstring>{L"final.bin"}, FolderNames(m_folder.Path()));
}

TEST_F(Seam, AnOutputFileCanBeReadBackWhileItIsWritten) {
    auto output = m_files.CreateBeside(Utf8(L"spool.bin"));
    output->WriteAt(0, "spooled", 7);
    auto input = m_files.OpenForReading(output->TemporaryPath());
    char text[8] = {};
    EXPECT_EQ(7u, input->ReadAt(0, text, 7));
    EXPECT_STREQ("spooled", text);
}

TEST_F(Seam, ADiscardedOutputFileLeavesNothing) {
    {
        auto output = m_files.CreateBeside(Utf8(L"final.bin"));
        output->WriteAt(0, "data", 4);
        output->Truncate(2);
    }
    EXPECT_TRUE(FolderNames(m_folder.Path()).empty());
}

// A file the system is to remove should the process die: committed or moved, it stays and is no
// longer temporary; given up, it is gone.
TEST_F(Seam, AFileThatGoesWithTheProcessStaysOnceCommittedOrMoved) {
    for (bool move : {false, true}) {
        auto output = m_files.CreateBeside(Utf8(L"kept.bin"));
        output->RemoveIfProcessDies();
        output->WriteAt(0, "data", 4);
        if (move) ASSERT_TRUE(output->MoveTo(Utf8(L"moved.bin"), 1589710830));
        else output->Commit();
    }
    {
        auto output = m_files.CreateBeside(Utf8(L"dropped.bin"));
        output->RemoveIfProcessDies();
        output->WriteAt(0, "data", 4);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"kept.bin", L"moved.bin"}), FolderNames(m_folder.Path()));
    for (const wchar_t* name : {L"kept.bin", L"moved.bin"})
        EXPECT_EQ(0u, ::GetFileAttributesW((m_folder / name).c_str()) & FILE_ATTRIBUTE_TEMPORARY) << Utf8(name);
}

TEST_F(Seam, FoldersAndFilesBeyond260CharactersWork) {
    std::wstring deep = L"deep";
    for (int i = 0; i < 12; ++i) deep += L"\\component-number-" + std::to_wstring(i) + L"-of-a-long-path";
    ASSERT_GT((m_folder / deep).size(), 400u);
    m_files.CreateFolders(Utf8(deep));
    m_files.CreateFolders(Utf8(deep));   // existing folders are fine
    auto output = m_files.CreateBeside(Utf8(deep + L"\\file.txt"));
    output->WriteAt(0, "deep", 4);
    output->Commit();
    m_files.SetModificationTime(Utf8(deep + L"\\file.txt"), 1589710830);
    const zipcore::FileStatus status = m_files.Stat(Utf8(deep + L"\\file.txt"));
    EXPECT_TRUE(status.exists);
    EXPECT_FALSE(status.isDirectory);
    EXPECT_EQ(4u, status.size);
    EXPECT_EQ(1589710830, status.modified);
    auto input = m_files.OpenForReading(Utf8(deep + L"\\file.txt"));
    char text[8] = {};
    EXPECT_EQ(4u, input->ReadAt(0, text, sizeof text));
    EXPECT_STREQ("deep", text);
}

TEST_F(Seam, StatAndOpenFilesTellMissingFilesFoldersAndTheSameFileUnderTwoNames) {
    EXPECT_FALSE(m_files.Stat(Utf8(L"missing")).exists);
    EXPECT_FALSE(m_files.Stat(Utf8(L"missing\\below")).exists);
    EXPECT_TRUE(m_files.Stat(WideToUtf8(m_folder.Path())).isDirectory);
    WriteBytes(m_folder / L"a.txt", "a");
    const zipcore::FileStatus direct = m_files.Stat(Utf8(L"a.txt"));
    CurrentDirectory here(m_folder.Path());
    const zipcore::FileStatus relative = m_files.Stat("./sub/../a.txt");
    EXPECT_NE(0u, direct.fileId);
    EXPECT_EQ(direct.fileId, relative.fileId);
    EXPECT_EQ(direct.volumeId, relative.volumeId);
    // An open file tells what Stat tells; its volume when asked (what the writer's own-archive check uses).
    m_files.SetModificationTime(Utf8(L"a.txt"), 1589710830);
    auto input = m_files.OpenForReading("./sub/../a.txt");
    const zipcore::FileStatus open = input->Status();
    EXPECT_TRUE(open.exists);
    EXPECT_FALSE(open.isDirectory);
    EXPECT_EQ(1u, open.size);
    EXPECT_EQ(1589710830, open.modified);
    EXPECT_EQ(direct.fileId, open.fileId);
    EXPECT_EQ(direct.volumeId, input->VolumeId());
}

TEST_F(Seam, ReadsServeSmallAndLargePiecesAndStopAtTheEnd) {
    const std::string bytes = RandomBytes(200000, 3);
    WriteBytes(m_folder / L"data.bin", bytes);
    auto input = m_files.OpenForReading(Utf8(L"data.bin"));
    EXPECT_EQ(bytes.size(), input->Size());
    std::string piece(100, '\0');
    for (std::uint64_t offset : {0ULL, 70000ULL, 65500ULL, 10ULL, 199950ULL}) {
        const std::size_t got = input->ReadAt(offset, &piece[0], piece.size());
        EXPECT_EQ(std::min<std::uint64_t>(100, bytes.size() - offset), got);
        EXPECT_EQ(bytes.substr(offset, got), piece.substr(0, got)) << offset;
    }
    std::string all(300000, '\0');
    EXPECT_EQ(bytes.size(), input->ReadAt(0, &all[0], all.size()));
    EXPECT_EQ(0u, input->ReadAt(bytes.size() + 5, &piece[0], piece.size()));
}

TEST_F(Seam, FailuresAreIoErrorsWithTheSystemsCode) {
    try {
        m_files.OpenForReading(Utf8(L"missing.txt"));
        FAIL();
    } catch (const zipcore::ZipError& error) {
        EXPECT_EQ(zipcore::ZipErrorKind::Io, error.Kind());
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, error.OsError());
        EXPECT_EQ(Utf8(L"missing.txt"), error.Path());
    }
    WriteBytes(m_folder / L"file", "x");
    try {
        m_files.CreateFolders(Utf8(L"file\\below"));
        FAIL();
    } catch (const zipcore::ZipError& error) {
        EXPECT_EQ(zipcore::ZipErrorKind::Io, error.Kind());
        EXPECT_NE(0, error.OsError());
    }
}

}   // namespace
