// load_by_name.exe DLL: loads a DLL by its bare name, the ordinary way (the program's own folder is
// searched first), as a program without Tavoline's care would. Exit status 0 when it was loaded.
#include <windows.h>

int wmain(int argc, wchar_t** argv) { return argc == 2 && ::LoadLibraryW(argv[1]) ? 0 : 1; }
