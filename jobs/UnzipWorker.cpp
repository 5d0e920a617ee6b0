#include "jobs/UnzipWorker.h"

#include <shellapi.h>


#include "base/Exception.h"
#include "jobs/JobPasswords.h"
#include "jobs/JobStop.h"
#include "jobs/UnzipReport.h"
#include "jobs/UnzipTarget.h"
#include "jobs/JobMessages.h"
#include "jobs/JobState.h"
#include "ziparchive/CZipArchive.h"

namespace {
const wchar_t kCaption[] = L"Unzipper";
constexpr unsigned long kBufferSize = 65536;
// The pseudo-progress pace: 95 steps should roughly cover the time the archive takes.
constexpr LONGLONG kBytesPerMillisecond = 5500;
constexpr LONGLONG kPseudoStepsSpread = 90;

void Post(UINT message) { ::PostMessageW(g_jobWindow.load(), message, 0, 0); }

// What a successful or corrupt-entry run does after its last entry; returns the exit status.
int FinishUnpacking(const CString& target, bool stoppedOnCorruptEntry, const UnzipReport& report) {
    g_progressPos = 100;
    Post(WM_JOB_STEP);
    if (!stoppedOnCorruptEntry) ShowJobMessage(SuccessText(report), kCaption);
    if (!report.skipped.empty()) ShowJobMessage(SkippedText(report), kCaption);
    ::ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
    if (stoppedOnCorruptEntry) return exitCorruptEntry;
    return report.skipped.empty() ? exitUnpacked : exitEntriesSkipped;
}

// Tests and extracts every entry in order, leaving out (and noting) those the library cannot
// unpack and the encrypted ones the user gives no password for; returns true when it stopped at a
// corrupt one.
bool UnpackEntries(CZipArchive& archive, const CString& target, UnzipReport& report, JobPasswords& passwords) {
    for (ZIP_INDEX_TYPE index = 0; index < archive.GetCount(); ++index) {
        ThrowIfStopRequested();
        CString stored, disk, skipReason;
        const bool renamed = archive.GetEntryPlan(index, stored, disk, skipReason);
        if (!skipReason.IsEmpty()) {
            report.skipped.push_back((stored.IsEmpty() ? CString(L"(no name)") : stored) + L": " + skipReason);
            continue;
        }
        bool sound = true;
        if (archive.IsEncryptedEntry(index)) {
            const JobPasswords::Outcome outcome = passwords.Test(archive, index, stored, kBufferSize);
            if (outcome == JobPasswords::skipped) {
                report.skipped.push_back(stored + L": encrypted (no password given)");
                continue;
            }
            sound = outcome == JobPasswords::tested;
        } else {
            sound = archive.TestFile(index, kBufferSize);
        }
        if (!sound) {
            ShowJobMessage(L"Error: zip file is corrupted!", kCaption);
            return true;
        }
        archive.ExtractFile(index, target, true, nullptr, kBufferSize);
        if (renamed) report.changes.push_back(stored + L" \u2192 " + disk);
    }
    return false;
}

void Unzip() {
    const CString archivePath = g_selectedPath;
    const LONGLONG size = ArchiveSize(archivePath);
    g_progressDelay = size / kBytesPerMillisecond / kPseudoStepsSpread + 1;
    const CString target = UnzipTargetFolder(archivePath, IsExistingFile);

    bool stoppedOnCorruptEntry = false;
    UnzipReport report;
    {
        JobPasswords passwords(archivePath);   // wiped when the job ends, however it ends
        CZipArchive archive;
        archive.m_progressDone = 0;
        archive.Open(archivePath, CZipArchive::zipOpen, 0);
        g_entryCount = archive.GetCount();
        Post(WM_JOB_START);
        StartPseudoProgress();
        stoppedOnCorruptEntry = UnpackEntries(archive, target, report, passwords);
        archive.Close(0, false);
    }
    ThrowIfStopRequested();   // the window is going: no box for it
    g_exitStatus = FinishUnpacking(target, stoppedOnCorruptEntry, report);
    Post(WM_JOB_DONE);
}

const wchar_t kFailed[] =
    L"Error: Unzipping did not complete. Make sure you have enough disk space and the zip file is not corrupt!";

// text: the failure message, with its cause in plain words where it is known.
void Fail(const CString& text) {
    g_jobFailed = 1;
    g_exitStatus = exitJobFailed;
    Post(WM_JOB_DONE);
    ShowJobMessage(text, kCaption);
    // Ended from this thread, which has nothing left to clean up; static objects are left alone
    // since the pseudo-progress thread may still be running.
    if (g_commandLineMode.load() != 0) ::ExitProcess(exitJobFailed);
}
}

LONGLONG ArchiveSize(const CString& path) {
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size = {};
    const BOOL known = ::GetFileSizeEx(file, &size);
    ::CloseHandle(file);
    return known ? size.QuadPart : 0;
}

bool IsExistingFile(const CString& path) {
    const DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

UINT UnzipThreadProc(LPVOID) {
    WorkerEndMark endMark;
    g_jobFailed = 0;
    CString text = kFailed;
    try {
        if (g_selectedPath.IsEmpty() || g_unzipSelected.load() == 0) {
            // The starter marked the job running; no WM_JOB_DONE follows to clear the mark.
            g_exitStatus = exitInputRefused;
            g_jobRunning = 0;
            ShowJobMessage(L"Error: please select a valid zip file", kCaption);
            return 0;
        }
        g_jobRunning = 1;
        Unzip();
        return 0;
    } catch (CException* e) {
        text = FailureText(kFailed, e);
        e->Delete();
    } catch (...) {
        // out of memory and the like: the same report, and the window is never left busy
    }
    // Stopped because the window is closing: the library has removed its files; nothing to say.
    if (g_stopRequested.load() == 0) Fail(text);
    return 0;
}
