// Zip jobs run through the real main window: the pickers answer without their dialogs, the job
// messages the window takes are recorded, and the job's closing box is read and answered.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "MainWindowRun.h"
#include "Testkit.h"

namespace ziptest {

extern const wchar_t kZipper[];
extern const wchar_t kZipped[];
extern const wchar_t kZipFailed[];
extern const wchar_t kNothingToZip[];
extern const wchar_t kFolderSelected[];
extern const wchar_t kFileSelected[];

// While it lives, the folder browser answers with `path` (as the browser's buffer would hold it;
// empty: cancelled) and counts how often it was asked.
class FolderChoice {
public:
    explicit FolderChoice(std::wstring path);
    FolderChoice(const FolderChoice&) = delete;
    FolderChoice& operator=(const FolderChoice&) = delete;
    ~FolderChoice();

    void Answer(std::wstring path);
    int TimesAsked() const;
    // The request the picker prepared, as last seen.
    std::wstring Title() const;
    UINT Flags() const;
    HWND Owner() const;
};

// What one zip job showed.
struct ZipRun {
    std::vector<unziptest::SeenMessage> messages;
    int boxMark = -1;                  // the recorder's order when the closing box was found
    std::wstring boxText;              // the "Zipper" box that ended the job
    unziptest::WindowState atBox;      // the window while that box is on screen (for a failure: once it has reset)
    bool boxStillShown = false;        // (failure) the window had reset while the box was still up
    unziptest::WindowState after;      // after the box, with the window idle again
    size_t folderFilesAfter = 0;       // g_folderFiles after the job
    std::vector<std::wstring> shell;   // what the shell was asked to open
    std::wstring directoryBefore;      // the process's current directory around the job
    std::wstring directoryAfter;
};

// Picks `selection` with "Select A Folder To Zip" (folder) or "Select A File To Zip", presses
// "Zip" and answers the box that ends the job with OK.
ZipRun RunZipJob(const std::wstring& selection, bool folder);

// The message table of a folder of n files: START, n + 1 steps, DONE, nothing after.
std::vector<unziptest::Expect> FolderJobTable(size_t files);

unziptest::WindowState ReadState(testkit::Driver& d, HWND main);
bool IsIdleWithNothingSelected(const unziptest::WindowState& state);

}   // namespace ziptest
