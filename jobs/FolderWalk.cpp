#include "jobs/FolderWalk.h"

#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "framework/CFileFind.h"
#include "framework/Exception.h"
#include "ui/JobState.h"

namespace {
// What tells two folders apart whatever path reaches them: the volume and the file index.
struct FolderIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
    bool operator<(const FolderIdentity& other) const {
        return std::tie(volume, indexHigh, indexLow) < std::tie(other.volume, other.indexHigh, other.indexLow);
    }
};

// False when the folder's identity cannot be told (the file system gives no index); the
// enumeration that follows then decides whether the folder can be read.
bool IdentifyFolder(const CString& folder, FolderIdentity& identity) {
    const HANDLE handle = CreateFileW(ExtendedLengthPath(folder), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool known = GetFileInformationByHandle(handle, &info) && (info.nFileIndexHigh | info.nFileIndexLow) != 0;
    CloseHandle(handle);
    identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return known;
}

bool EndsWithSeparator(const CString& path) {
    return !path.IsEmpty() && (path[path.GetLength() - 1] == L'\\' || path[path.GetLength() - 1] == L'/');
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
        FolderIdentity identity;
        if (IdentifyFolder(folder, identity) && !m_visited.insert(identity).second) return;

        auto finder = std::make_unique<CFileFind>();
        const CString pattern = EndsWithSeparator(folder) ? folder + L"*" : folder + L"\\*";
        if (!finder->FindFile(pattern)) {
            // An empty drive root matches nothing; any other folder lists at least "." and "..".
            if (finder->GetFindError() == ERROR_FILE_NOT_FOUND) return;
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
    std::set<FolderIdentity> m_visited;
};
}

void CollectFolderFiles(const CString& folder) {
    FolderWalk walk;
    walk.Run(folder);
}
