// The address of the update file, fixed when the program is built (CMake cache variable
// TAVOLINE_UPDATE_URL). Its source is a library of its own (tavoline_update_address), so that a test
// copy of the program can be linked with a loopback address instead.
#pragma once

const wchar_t* UpdateAddress();
