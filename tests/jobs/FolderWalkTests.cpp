// The folder walk on real folders: order, depth, names, links and folders that cannot be read.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestTree.h"
#include "base/Exception.h"
#include "jobs/FolderWalk.h"
#include "jobs/JobState.h"

using namespace ziptest;

namespace {
std::vector<std::wstring> Walk(const std::wstring& folder) {
    g_folderFiles.clear();
    CollectFolderFiles(folder.c_str());
    std::vector<std::wstring> files;
    for (const CString& path : g_folderFiles) files.push_back(path.Str());
    g_folderFiles.clear();
    return files;
}

// The files below folder, depth-first in the order the file system lists each folder.
void ReferenceWalk(const std::wstring& folder, std::vector<std::wstring>& files) {
    for (const std::wstring& name : ListFolder(folder)) {
        const std::wstring path = folder + L"\\" + name;
        const DWORD attributes = GetFileAttributesW(Long(path).c_str());
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) ReferenceWalk(path, files);
        else files.push_back(path);
    }
}

// The system error code and file name of the failure the walk raises, or 0 when it does not fail.
DWORD WalkFailure(const std::wstring& folder, std::wstring* failedPath = nullptr) {
    g_folderFiles.clear();
    try {
        CollectFolderFiles(folder.c_str());
    } catch (CException* e) {
        auto* fileError = dynamic_cast<CFileException*>(e);
        const DWORD code = fileError ? static_cast<DWORD>(fileError->m_lOsError) : 0xFFFFFFFF;
        if (fileError && failedPath) *failedPath = fileError->m_strFileName.Str();
        e->Delete();
        return code;
    }
    return 0;
}

// Holds a folder open without sharing, so that nobody else can list it meanwhile.
class LockedFolder {
public:
    explicit LockedFolder(const std::wstring& folder)
        : m_handle(CreateFileW(Long(folder).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~LockedFolder() {
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }
    bool Held() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};
}

TEST(FolderWalk, ListsEveryFileDepthFirstInEnumerationOrder) {
    TestTree tree(L"walk-order");
    const std::wstring f = tree.AddFolder(L"F");
    for (const wchar_t* name : {L"F\\a.txt", L"F\\sub\\b.txt", L"F\\sub\\deeper\\c.txt", L"F\\sub\\d.txt", L"F\\z.txt",
                                L"F\\m\\n\\o\\p\\q.txt", L"F\\m\\r.txt"})
        tree.AddFile(name);
    const std::wstring before = CurrentDirectory();

    const std::vector<std::wstring> files = Walk(f);

    std::vector<std::wstring> expected;
    ReferenceWalk(f, expected);
    EXPECT_EQ(expected, files);
    std::vector<std::wstring> sorted = files;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(
        (std::vector<std::wstring>{f + L"\\a.txt", f + L"\\m\\n\\o\\p\\q.txt", f + L"\\m\\r.txt", f + L"\\sub\\b.txt",
                                   f + L"\\sub\\d.txt", f + L"\\sub\\deeper\\c.txt", f + L"\\z.txt"}),
        sorted);
    EXPECT_EQ(before, CurrentDirectory());
}

TEST(FolderWalk, EmptyFoldersAddNothing) {
    TestTree tree(L"walk-empty");
    tree.AddFolder(L"empty");
    tree.AddFolder(L"hollow\\a\\b\\c");
    tree.AddFolder(L"hollow\\d");
    EXPECT_TRUE(Walk(tree.Path(L"empty")).empty());
    EXPECT_TRUE(Walk(tree.Path(L"hollow")).empty());

    tree.AddFile(L"hollow\\a\\b\\only.txt");
    EXPECT_EQ(std::vector<std::wstring>{tree.Path(L"hollow\\a\\b\\only.txt")}, Walk(tree.Path(L"hollow")));
}

TEST(FolderWalk, ListsHiddenSystemAndReadOnlyFiles) {
    TestTree tree(L"walk-attributes");
    const std::wstring hidden = tree.AddFile(L"F\\hidden.txt");
    const std::wstring system = tree.AddFile(L"F\\system.txt");
    const std::wstring readOnly = tree.AddFile(L"F\\hiddenfolder\\readonly.txt");
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(system.c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW(tree.Path(L"F\\hiddenfolder").c_str(), FILE_ATTRIBUTE_HIDDEN));

    std::vector<std::wstring> files = Walk(tree.Path(L"F"));
    std::sort(files.begin(), files.end());
    EXPECT_EQ((std::vector<std::wstring>{hidden, readOnly, system}), files);
}

TEST(FolderWalk, KeepsUnicodeNamesAndPathsBeyondMaxPath) {
    TestTree tree(L"walk-names");
    const std::wstring unicode = tree.AddFile(L"F\\\u03a9\u03bc\u03ad\u03b3\u03b1\\\u65e5\u672c\u8a9e-\U0001F600.txt");
    std::wstring deep = L"F";
    while (deep.size() < 300) deep += L"\\a-folder-name-of-forty-characters-----";
    const std::wstring longFile = tree.AddFile(deep + L"\\long \u00e9t\u00e9.txt");
    ASSERT_GT(longFile.size(), 300u);

    std::vector<std::wstring> files = Walk(tree.Path(L"F"));
    std::sort(files.begin(), files.end());
    std::vector<std::wstring> expected{unicode, longFile};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, files);
}

TEST(FolderWalk, FolderThatCannotBeReadFailsTheWalk) {
    TestTree tree(L"walk-unreadable");
    tree.AddFile(L"F\\a.txt");
    tree.AddFile(L"F\\locked\\b.txt");
    tree.AddFile(L"F\\z.txt");
    const std::wstring before = CurrentDirectory();
    {
        LockedFolder lock(tree.Path(L"F\\locked"));
        ASSERT_TRUE(lock.Held());
        std::wstring failedPath;
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), WalkFailure(tree.Path(L"F"), &failedPath));
        EXPECT_EQ(tree.Path(L"F\\locked"), failedPath);
    }
    std::wstring failedPath;
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), WalkFailure(tree.Path(L"missing"), &failedPath));
    EXPECT_EQ(tree.Path(L"missing"), failedPath);
    EXPECT_NE(0u, WalkFailure(tree.Path(L"F\\a.txt")));   // a file is no folder
    EXPECT_EQ(before, CurrentDirectory());

    EXPECT_EQ(3u, Walk(tree.Path(L"F")).size());   // readable again once the lock is gone
}

// The tree with links is made natively before the Wine tests run (native_tree.py): Wine reports a
// Unix symbolic link to a folder as a directory reparse point, as Windows does for links and junctions.
TEST(FolderWalk, LinksToFoldersAreNotFollowed) {
    const std::wstring links = std::wstring(ZIP_NATIVE_TREE) + L"\\links";
    ASSERT_TRUE(Exists(links + L"\\sub\\up")) << "the native tree is missing; run the tests through ctest";

    std::vector<std::wstring> files = Walk(links);   // sub\up and sub\self lead back up: it must end

    std::sort(files.begin(), files.end());
    EXPECT_EQ((std::vector<std::wstring>{links + L"\\a.txt", links + L"\\shared\\c.txt", links + L"\\sub\\b.txt"}),
              files);
}
