// CTAVOApp: the application. Its start-up prepares the process and shows the main window.
#pragma once

#include "framework/CWinApp.h"

class CTAVOApp : public CWinApp {
public:
    CTAVOApp() : CWinApp(nullptr) {}

    // Runs the program's one dialog to its end; always FALSE, so the application ends with it.
    BOOL InitInstance() override;
};
