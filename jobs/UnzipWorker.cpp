#include "jobs/UnzipWorker.h"

#include <shellapi.h>

#include "base/Exception.h"
#include "jobs/JobPasswords.h"
#include "jobs/JobStop.h"
#include "jobs/UnzipReport.h"
#include "jobs/UnzipTarget.h"
#include "jobs/JobMessages.h"
#include "jobs/JobState.h"
#include "jobs/JobWorker.h"
#include "ziparchive/CZipArchive.h"

namespace {
const wchar_t kCaption[] = L"Unzipper";

// What a successful or corrupt-entry run does after its last entry; returns the exit status.
int FinishUnpacking(const CString& target, bool stoppedOnCorruptEntry, const UnzipReport& report) {
    g_progressPos = 100;
    PostJobMessage(WM_JOB_STEP);
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
            const JobPasswords::Outcome outcome = passwords.Test(archive, index, stored, kJobBufferSize);
            if (outcome == JobPasswords::skipped) {
                report.skipped.push_back(stored + L": encrypted (no password given)");
                continue;
            }
            sound = outcome == JobPasswords::tested;
        } else {
            sound = archive.TestFile(index, kJobBufferSize);
        }
        if (!sound) {
            ShowJobMessage(L"Error: zip file is corrupted!", kCaption);
            return true;
        }
        archive.ExtractFile(index, target, true, nullptr, kJobBufferSize);
        if (renamed) report.changes.push_back(stored + L" \u2192 " + disk);
    }
    return false;
}

void Unzip() {
    const CString archivePath = g_selectedPath;
    g_progressDelay = PseudoProgressDelay(FileSizeOf(archivePath));
    const CString target = UnzipTargetFolder(archivePath, IsExistingFile);

    bool stoppedOnCorruptEntry = false;
    UnzipReport report;
    {
        JobPasswords passwords(archivePath);   // wiped when the job ends, however it ends
        CZipArchive archive;
        archive.m_progressDone = 0;
        archive.Open(archivePath, CZipArchive::zipOpen, 0);
        g_entryCount = archive.GetCount();
        PostJobMessage(WM_JOB_START);
        StartPseudoProgress();
        stoppedOnCorruptEntry = UnpackEntries(archive, target, report, passwords);
        archive.Close(0, false);
    }
    ThrowIfStopRequested();   // the window is going: no box for it
    g_exitStatus = FinishUnpacking(target, stoppedOnCorruptEntry, report);
    PostJobMessage(WM_JOB_DONE);
}

const wchar_t kFailed[] =
    L"Error: Unzipping did not complete. Make sure you have enough disk space and the zip file is not corrupt!";

// The failure box: the failure message, with its cause in plain words where it is known.
CString UnzipFailureText(const CException* failure) { return FailureText(kFailed, failure); }

bool UnzipSelected() { return !g_selectedPath.IsEmpty() && g_unzipSelected.load() != 0; }
}

bool IsExistingFile(const CString& path) {
    const DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

UINT UnzipThreadProc(LPVOID) {
    return RunJobWorker({kCaption, UnzipSelected, L"Error: please select a valid zip file", Unzip, UnzipFailureText});
}
