/* libbz2 is built without stdio and reports broken internal invariants here. They are bugs of the
   library, not of the data (decompression checks its input and returns errors), so stop at once.
   Compiled into the libbz2 library itself, so that every program linking libbz2 has it. */
#include <stdlib.h>

void bz_internal_error(int code);
void bz_internal_error(int code) {
  (void)code;
  abort();
}
