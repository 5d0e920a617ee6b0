/* libbz2's own block sort in the bzip2_ownsort copy (see Libbz2WithOwnSort.h), under the name that
   Libbz2SortHook.c falls back to: the name libbz2's compressor calls belongs to the hook. */
#undef BZ2_blockSort
#define BZ2_blockSort ZipcoreLibbz2BlockSort
#include "blocksort.c"
