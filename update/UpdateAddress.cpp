#include "update/UpdateAddress.h"

#ifndef TAVOLINE_UPDATE_URL
#error TAVOLINE_UPDATE_URL (a wide string literal) comes from the build: see update/CMakeLists.txt
#endif

const wchar_t* UpdateAddress() { return TAVOLINE_UPDATE_URL; }
