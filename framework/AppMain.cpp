// The program's entry point: the framework's part of start-up. Kept in its own file so that
// test programs, which bring their own main, never link it.
#include "CWinApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    app->m_lpCmdLine = AfxCommandLineTail(::GetCommandLineW());
    return app->InitInstance() ? app->Run() : app->ExitInstance();
}
