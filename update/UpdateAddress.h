// The address of the update file, fixed when the program is built (CMake cache variable
// TAVOLINE_UPDATE_URL). Its source lives in update/address/, outside the program library, so that
// a test copy of the program can be linked with a loopback address instead.
#pragma once

const wchar_t* UpdateAddress();
