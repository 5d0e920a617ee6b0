// The job messages as the windows see them, the pseudo-progress thread and the workers' message box.
// The main window and the progress dialog handle WM_JOB_STEP and WM_JOB_START alike, on their own bar.
#pragma once

#include <windows.h>

#include "framework/AfxBeginThread.h"
#include "framework/CProgressCtrl.h"

// WM_JOB_STEP: one step forward while a job runs. The position stops at 100, except while a
// folder is being packed, which counts one step per file.
void StepJobProgress(CProgressCtrl& bar);
// WM_JOB_STEP as the job windows take it: counted like StepJobProgress at once, but a folder's bar,
// which a worker moves once per file, is drawn at most every kJobBarDrawInterval milliseconds, as
// drawing it costs more than packing a small file. The first step after a pause and the last step of
// the range are drawn at once; the others by a timer (kJobBarTimer) on the bar's parent window, whose
// WM_TIMER the window hands to DrawDueJobProgress.
constexpr UINT_PTR kJobBarTimer = 0x4A42;
constexpr UINT kJobBarDrawInterval = 50;
void TakeJobStep(CProgressCtrl& bar);
// WM_TIMER: true when it was kJobBarTimer, which then draws the steps counted since the last drawing.
bool DrawDueJobProgress(CProgressCtrl& bar, UINT_PTR timer);
// WM_JOB_START: position 0, range 0 … 100, or 0 … the job's step count while a folder is being
// packed (the full 32-bit count: the 16-bit range message would cut it above 65,535). A final 100
// that the worker wrote before the window took this message is kept.
void StartJobProgress(CProgressCtrl& bar);

// Thread procedure that keeps the bar moving while a job works in one piece: up to 95 steps of
// g_progressDelay milliseconds each, posting WM_JOB_STEP to g_jobWindow after each; it stops after
// the first step that finds no job running, and before any step once its job has ended. The
// parameter is the g_jobNumber of the job it serves.
UINT PseudoProgressProc(LPVOID jobNumber);
// Starts PseudoProgressProc for the running job.
void StartPseudoProgress();

// A worker's message box: owned by g_jobWindow, OK only. Blocks the calling thread until dismissed.
void ShowJobMessage(const wchar_t* text, const wchar_t* caption);

// Starts a job's worker at the highest priority with g_jobWindow as its parameter. The job is
// marked running before the thread exists, so that no second click can start another worker in
// between; the mark is taken back when the thread cannot be started (FALSE). The worker is counted
// in g_workersActive until its WorkerEndMark ends, and a new job number retires the pseudo-progress
// thread of the job before.
BOOL StartJobWorker(AFX_THREADPROC worker);
