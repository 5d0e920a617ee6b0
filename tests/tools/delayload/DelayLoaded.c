/* A program that calls one function of a delay-loaded DLL, for the test of the import-slot check
   (tests/app/import_slots_test.py). Built twice: calling the function by its plain symbol, which
   links the delay-load library's load stub, and through a dllimport declaration, which references
   only the library's slot (where the i686 linker has been seen to drop the stub and leave 0). */
#ifdef CALL_THROUGH_DLLIMPORT
__declspec(dllimport) int __stdcall InternetCloseHandle(void* handle);
#else
int __stdcall InternetCloseHandle(void* handle);
#endif

int main(int argc, char** argv) {
    (void)argv;
    return argc > 5 ? InternetCloseHandle(0) : 0;
}
