// The test harness for the Windows build, run under Wine: real dialogs from the real templates,
// driven by messages from a second thread, and Tavoline.exe run as a child process.
#pragma once

#include "ChildProcess.h"
#include "Driver.h"
#include "MessageBoxes.h"
#include "Paths.h"
#include "ShellLog.h"
#include "TempFolder.h"
#include "Text.h"
#include "Wait.h"
#include "Where.h"
#include "Windows.h"
