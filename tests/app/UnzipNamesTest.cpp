// Archives from other systems' tools, unpacked by Tavoline.exe in command-line mode: names Windows
// cannot hold are changed (and listed), never refused; no entry lands outside the target or over
// another; what cannot be read is left out and named (encrypted entries: UnzipPasswordTest.cpp);
// only the last end record's archive is read.
// The archives are written before this program runs by make_name_archives.py (Python's zipfile,
// Info-ZIP zip, raw bytes) into the folder NAME_ARCHIVES_DIR.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "TestArchives.h"
#include "Testkit.h"
#include "UnzipTexts.h"

namespace {

using namespace unziptest;
using testkit::ChildProcess;
using testkit::WindowQuery;

const long kUnpacked = 0, kEntriesSkipped = 5;

struct Outcome {
    std::wstring target;               // the folder the archive was unpacked into
    std::vector<std::wstring> boxes;   // the texts of the Unzipper boxes, in order
    long exitStatus = -1;
};

// Copies the made archive into a fresh folder, runs Tavoline.exe on it and answers every box.
Outcome Unzip(const testkit::TempFolder& temp, const std::wstring& archiveName, size_t boxCount) {
    Outcome run;
    const std::wstring archive = temp / archiveName;
    const std::string made = ReadBytes(testkit::FromHostPath(NAME_ARCHIVES_DIR) + L"\\" + archiveName);
    EXPECT_FALSE(made.empty()) << "make_name_archives.py ran first";
    EXPECT_TRUE(WriteBytes(archive, made));
    run.target = archive.substr(0, archive.size() - 4);
    testkit::LaunchOptions options;
    options.exe = testkit::TavolineExe();
    options.arguments = L"\"" + archive + L"\"";
    ChildProcess child(options, TK_HERE);
    EXPECT_TRUE(child.Started());
    HWND dialog = testkit::WaitForWindow(WindowQuery::Dialog(L"Tavoline 1.0", child.Pid()));
    EXPECT_NE(nullptr, dialog) << testkit::DescribeWindowsOf(child.Pid());
    for (size_t i = 0; i < boxCount && dialog; ++i) {
        HWND box = testkit::WaitForWindow(WindowQuery::Dialog(kUnzipper, child.Pid()).OwnedBy(dialog));
        if (!box) {
            ADD_FAILURE() << "box " << i + 1 << " of " << boxCount
                          << " missing: " << testkit::DescribeWindowsOf(child.Pid());
            break;
        }
        run.boxes.push_back(testkit::MessageBoxText(box));
        testkit::PressOk(box);
        EXPECT_TRUE(testkit::WaitForGone(box));
    }
    run.exitStatus = child.WaitForExit(TK_HERE);
    return run;
}

// Only the archive and its target folder in the temporary folder: nothing landed beside them.
void ExpectNothingOutside(const testkit::TempFolder& temp, const std::wstring& archiveName) {
    std::vector<std::string> outside;
    for (const std::string& file : FilesBelow(temp.Path()))
        if (file.rfind(testkit::Narrow(archiveName.substr(0, archiveName.size() - 4)) + "/", 0) != 0 &&
            file != testkit::Narrow(archiveName))
            outside.push_back(file);
    EXPECT_EQ(std::vector<std::string>{}, outside);
    EXPECT_FALSE(FileExists(L"C:\\drive.txt"));
    EXPECT_FALSE(FileExists(L"C:\\prefixed.txt"));
}

struct NamesCase {
    const wchar_t* archive;
    std::vector<std::pair<std::string, std::string>> files;   // as stored → where it must land
};

const std::string kLong = std::string(300, 'x') + ".txt";

TEST(UnzipNames, EveryKindOfNameUnpacksCompletelyUnderAWindowsName) {
    const NamesCase cases[] = {
        {L"names-python.zip",
         {{"aux.c", "_aux.c"},
          {"src/con.h", "src/_con.h"},
          {"Icon\r", "Icon_"},
          {"notes.", "notes_"},
          {"draft ", "draft_"},
          {"a:b.txt", "a_b.txt"},
          {"what?.txt", "what_.txt"},
          {"../up.txt", "up.txt"},
          {"/etc/passwd", "etc/passwd"},
          {"C:\\drive.txt", "drive.txt"},
          {"\\\\server\\share\\unc.txt", "unc.txt"},
          {"\\\\?\\C:\\prefixed.txt", "prefixed.txt"},
          {"ok.txt", "ok.txt"}}},
        {L"names-infozip.zip",
         {{"aux.c", "_aux.c"},
          {"con.h", "_con.h"},
          {"Icon\r", "Icon_"},
          {"notes.", "notes_"},
          {"draft ", "draft_"},
          {"a:b.txt", "a_b.txt"},
          {"what?.txt", "what_.txt"},
          {"star*.txt", "star_.txt"},
          {"pipe|.txt", "pipe_.txt"},
          {"nul", "_nul"},
          {"plain.txt", "plain.txt"}}},
    };
    for (const NamesCase& c : cases) {
        SCOPED_TRACE(testkit::Narrow(c.archive));
        testkit::TempFolder temp(L"names");
        const Outcome run = Unzip(temp, c.archive, 1);
        EXPECT_EQ(kUnpacked, run.exitStatus);
        ASSERT_EQ(1u, run.boxes.size());
        EXPECT_EQ(0u, run.boxes[0].find(kSuccess)) << testkit::Narrow(run.boxes[0]);
        EXPECT_NE(std::wstring::npos, run.boxes[0].find(L"names were changed")) << testkit::Narrow(run.boxes[0]);
        EXPECT_NE(std::wstring::npos, run.boxes[0].find(L"aux.c \u2192 _aux.c")) << testkit::Narrow(run.boxes[0]);
        std::vector<std::string> files = FilesBelow(run.target);
        for (const auto& [stored, landed] : c.files) {
            EXPECT_EQ("content of " + stored, ReadBytes(run.target + L"\\" + testkit::Widen(landed))) << landed;
            files.erase(std::remove(files.begin(), files.end(), landed), files.end());
        }
        const size_t longNames = std::wstring(c.archive) == L"names-python.zip" ? 1 : 0;
        ASSERT_EQ(longNames, files.size()) << "every entry, and only these, unpacked";
        if (longNames) {
            EXPECT_EQ(0u, files[0].find("xxxxxxxxxx")) << files[0];
            EXPECT_LE(files[0].size(), 255u);
            // The whole path is longer than MAX_PATH: read it as a long path.
            EXPECT_EQ("content of " + kLong, ReadBytes(L"\\\\?\\" + run.target + L"\\" + testkit::Widen(files[0])));
        }
        ExpectNothingOutside(temp, c.archive);
    }
}

TEST(UnzipNames, EntriesDifferingOnlyInCaseAreBothKept) {
    testkit::TempFolder temp(L"case");
    const Outcome run = Unzip(temp, L"case.zip", 1);
    EXPECT_EQ(kUnpacked, run.exitStatus);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_NE(std::wstring::npos, run.boxes[0].find(L"README.TXT \u2192 README (2).TXT"))
        << testkit::Narrow(run.boxes[0]);
    EXPECT_EQ((std::vector<std::string>{"README (2).TXT", "Readme.txt", "docs/A (2).TXT", "docs/a.txt"}),
              FilesBelow(run.target));
    EXPECT_EQ("content of Readme.txt", ReadBytes(run.target + L"\\Readme.txt"));
    EXPECT_EQ("content of README.TXT", ReadBytes(run.target + L"\\README (2).TXT"));
    EXPECT_EQ("content of DOCS/A.TXT", ReadBytes(run.target + L"\\docs\\A (2).TXT"));
}

// The last end record is the archive: records hidden in its comment are never read, nor an earlier
// archive's when the last record's comment runs past the end of the file.
TEST(UnzipNames, OnlyTheArchiveOfTheLastEndRecordIsUnpacked) {
    const std::pair<const wchar_t*, const char*> cases[] = {
        {L"end-in-comment.zip", "real.txt"}, {L"zip64-in-comment.zip", "real.txt"}, {L"comment-cut.zip", "FILE"}};
    for (const auto& [archive, unpacked] : cases) {
        SCOPED_TRACE(testkit::Narrow(archive));
        testkit::TempFolder temp(L"comment");
        const Outcome run = Unzip(temp, archive, 1);
        EXPECT_EQ(kUnpacked, run.exitStatus);
        ASSERT_EQ(1u, run.boxes.size());
        EXPECT_EQ(std::wstring(kSuccess), run.boxes[0]);
        EXPECT_EQ(std::vector<std::string>{unpacked}, FilesBelow(run.target));
    }
}

}   // namespace
