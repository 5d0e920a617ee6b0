// update_check_driver.exe URL: runs the update check against URL with no owner window, as
// start-up does. The check ends the process with status 0 when it finds an update; when it
// returns, the driver ends with kCheckReturned.
#include <windows.h>

#include "CheckDriverStatus.h"
#include "update/UpdateCheck.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return kDriverMisused;
    CheckForUpdateAt(nullptr, argv[1]);
    return kCheckReturned;
}
