// update_check_driver.exe URL: runs the update check against URL with no owner window, as
// start-up does (a GUI program, like Tavoline.exe). The check ends the process with status 0
// when it finds an update; when it returns, the driver ends with kCheckReturned.
#include <windows.h>

#include <cstdlib>

#include "CheckDriverStatus.h"
#include "update/UpdateCheck.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    if (__argc != 2) return kDriverMisused;
    CheckForUpdateAt(nullptr, __wargv[1]);
    return kCheckReturned;
}
