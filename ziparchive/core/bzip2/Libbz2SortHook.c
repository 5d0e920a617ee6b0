/* The block sort of the bzip2_ownsort copy of libbz2 (see Libbz2WithOwnSort.h): ours, through the
   stream's encoder, and libbz2's own when ours declines. */
#include "core/bzip2/Libbz2WithOwnSort.h"

#include "bzlib_private.h"

void ZipcoreLibbz2BlockSort(EState* s);

void BZ2_blockSort(EState* s) {
  int origin = -1;
  if (s->strm->opaque != NULL) origin = ZipcoreSortBzip2Block(s->strm->opaque, s->block, s->nblock, s->ptr);
  if (origin < 0) {
    ZipcoreLibbz2BlockSort(s);
    return;
  }
  s->origPtr = origin;
}
