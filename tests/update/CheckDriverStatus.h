// Exit statuses of update_check_driver.exe besides the check's own 0 (update found).
#pragma once

const long kCheckReturned = 7;
const long kDriverMisused = 64;
