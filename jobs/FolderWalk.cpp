#include "jobs/FolderWalk.h"

#include <memory>
#include <vector>

#include "framework/CFileFind.h"
#include "base/Exception.h"
#include "jobs/JobState.h"

namespace {
bool EndsWithSeparator(const CString& path) {
    return !path.IsEmpty() && (path[path.GetLength() - 1] == L'\\' || path[path.GetLength() - 1] == L'/');
}

bool IsFolder(const CString& path) {
    const DWORD attributes = GetFileAttributesW(ExtendedLengthPath(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Depth-first without recursion: one open enumeration per level of depth, kept on a stack, so the
// depth of a tree is limited by memory rather than by the thread's stack.
class FolderWalk {
public:
    void Run(const CString& folder) {
        Enter(folder);
        while (!m_levels.empty()) {
            Level& level = m_levels.back();
            if (!level.more) {
                Leave(level);
                continue;
            }
            CFileFind& finder = *level.finder;
            level.more = finder.FindNextFile();
            if (finder.IsDots()) continue;
            if (!finder.IsDirectory()) {
                g_folderFiles.push_back(finder.GetFilePath());
            } else if (!finder.IsReparsePoint()) {
                // A link or junction to a folder is not followed: it could lead back up the tree
                // (a loop) or to a folder that is packed already.
                Enter(finder.GetFilePath());   // may grow m_levels: `level` is not used past this point
            }
        }
    }

private:
    struct Level {
        std::unique_ptr<CFileFind> finder;
        CString folder;
        bool more;
    };

    void Enter(const CString& folder) {
        auto finder = std::make_unique<CFileFind>();
        const CString pattern = EndsWithSeparator(folder) ? folder + L"*" : folder + L"\\*";
        if (!finder->FindFile(pattern)) {
            // An empty drive root matches nothing (it has no "." and ".." either).
            if (finder->GetFindError() == ERROR_FILE_NOT_FOUND && IsFolder(folder)) return;
            AfxThrowLastError(finder->GetFindError(), folder);
        }
        m_levels.push_back(Level{std::move(finder), folder, true});
    }

    void Leave(Level& level) {
        const DWORD error = level.finder->GetFindError();
        if (error != ERROR_NO_MORE_FILES) AfxThrowLastError(error, level.folder);
        m_levels.pop_back();
    }

    std::vector<Level> m_levels;
};
}

void CollectFolderFiles(const CString& folder) {
    FolderWalk walk;
    walk.Run(folder);
}
