#include "jobs/ZipWorker.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>

#include "framework/CFileFind.h"
#include "base/Exception.h"
#include "jobs/FailureCause.h"
#include "jobs/FolderWalk.h"
#include "jobs/JobMessages.h"
#include "jobs/JobState.h"
#include "jobs/JobStop.h"
#include "jobs/JobWorker.h"
#include "ziparchive/CZipArchive.h"

namespace {
const wchar_t kCaption[] = L"Zipper";
constexpr int kDefaultLevel = -1;
constexpr int kSmartness = CZipArchive::smartStoreIfLarger | CZipArchive::smartCheckSize | CZipArchive::smartNotSelf;

bool IsSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

// Files are named by their full paths: the process-wide current directory is never changed, so
// paths of any length are reached and the UI thread's view of the current directory stays put.
void ZipFolder(const CString& folder, const CString& archivePath) {
    // The list is made before the archive's file exists, so that file can never be in it. An old
    // archive of the same name in the folder (a drive root's ".zip") is about to be replaced: it is
    // not packed either.
    g_folderFiles.clear();
    CollectFolderFiles(folder);
    g_folderFiles.erase(std::remove_if(g_folderFiles.begin(), g_folderFiles.end(),
                                       [&](const CString& file) { return file.CompareNoCase(archivePath) == 0; }),
                        g_folderFiles.end());

    CZipArchive archive;   // destroyed unclosed on a failure: it then leaves no file behind
    archive.m_stopRequest = &g_stopRequested;
    archive.Open(archivePath, CZipArchive::zipCreate, 0);
    archive.SetCompressionMethod(CZipArchive::methodBzip2);
    g_entryCount = static_cast<uint32_t>(g_folderFiles.size() + 1);
    PostJobMessage(WM_JOB_START);
    PostJobMessage(WM_JOB_STEP);
    for (const CString& file : g_folderFiles) {
        ThrowIfStopRequested();
        archive.AddNewFileAs(file, EntryNameBelow(folder, file), kDefaultLevel, kSmartness, kJobBufferSize);
        PostJobMessage(WM_JOB_STEP);
    }
    archive.Close(0, false);
}

void ZipSingleFile(const CString& file, const CString& archivePath) {
    CZipArchive archive;
    archive.m_stopRequest = &g_stopRequested;
    archive.Open(archivePath, CZipArchive::zipCreate, 0);
    archive.SetCompressionMethod(CZipArchive::methodBzip2);
    int separator = file.GetLength() - 1;
    while (separator >= 0 && !IsSeparator(file[separator])) --separator;
    const CString fileName = file.Mid(separator + 1);
    g_entryCount = 1;
    g_progressDelay = PseudoProgressDelay(FileSizeOf(file));
    PostJobMessage(WM_JOB_START);
    StartPseudoProgress();
    archive.AddNewFileAs(file, fileName, kDefaultLevel, kSmartness, kJobBufferSize);
    archive.Close(0, false);
    g_progressPos = 100;
    PostJobMessage(WM_JOB_STEP);
}

void Zip() {
    const CString selection = g_selectedPath;
    const CString archivePath = selection + L".zip";
    if (g_zipSourceIsFolder.load() != 0) ZipFolder(selection, archivePath);
    else ZipSingleFile(selection, archivePath);
    ThrowIfStopRequested();   // the window is going: no box for it

    ShowJobMessage(L"Zipping completed successfully.", kCaption);
    ::ShellExecuteW(nullptr, L"open", FolderHoldingArchive(archivePath), nullptr, nullptr, SW_SHOWNORMAL);
    g_exitStatus = exitPacked;
    PostJobMessage(WM_JOB_DONE);
}

// The failure box. The archive object is gone by now, and with it any partly written file: the
// window resets while the error is on screen, and no archive is left behind.
CString ZipFailureText(const CException* failure) {
    CString text = L"Error: Zipping did not complete. Make sure you have enough disk space!";
    const CString cause = failure ? FailureCause(failure) : CString();
    if (!cause.IsEmpty()) text += L"\n\n" + cause;
    return text;
}

bool ZipSelected() { return g_zipSelected.load() != 0 && !g_selectedPath.IsEmpty(); }
}

CString EntryNameBelow(const CString& folder, const CString& filePath) {
    int prefix = folder.GetLength();
    if (prefix > 0 && !IsSeparator(folder[prefix - 1])) ++prefix;   // the separator after the folder
    return filePath.Mid(prefix);
}

CString FolderHoldingArchive(const CString& archivePath) {
    const int separator = archivePath.ReverseFind(L'\\');
    if (separator <= 0) return CString();
    // "C:" alone would name drive C's current directory, not its root.
    if (separator == 2 && archivePath[1] == L':') return archivePath.Left(3);
    return archivePath.Left(separator);
}

bool IsExistingFolder(const CString& path) {
    const DWORD attributes = ::GetFileAttributesW(ExtendedLengthPath(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

UINT ZipThreadProc(LPVOID) {
    return RunJobWorker({kCaption, ZipSelected, L"Please select a file or a folder for zipping ", Zip, ZipFailureText});
}
