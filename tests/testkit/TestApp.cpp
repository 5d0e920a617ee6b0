// The application object of a test program: the framework takes the program's name and icon
// from it, as Tavoline.exe does from its own. Compiled into each test program.
#include "framework/CWinApp.h"

CWinApp testApplication(nullptr);
