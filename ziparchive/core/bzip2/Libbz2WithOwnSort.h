/* libbz2 built a second time (the bzip2_ownsort library) with its block sort handed to ours: the
   stages after the sort stay libbz2's, so a block's bytes are libbz2's too. Every function of that
   copy is renamed here, so that it links beside the plain libbz2, which stays the decoder and the
   reference the tests compare with. A C++ file that includes this header before <bzlib.h> calls the
   copy under libbz2's usual names; the copy's C files get it as a forced include. */
#ifndef ZIPCORE_LIBBZ2_WITH_OWN_SORT_H
#define ZIPCORE_LIBBZ2_WITH_OWN_SORT_H

#define BZ2_bsInitWrite            ZipcoreOwnSort_bsInitWrite
#define BZ2_bzBuffToBuffCompress   ZipcoreOwnSort_bzBuffToBuffCompress
#define BZ2_bzBuffToBuffDecompress ZipcoreOwnSort_bzBuffToBuffDecompress
#define BZ2_bzCompress             ZipcoreOwnSort_bzCompress
#define BZ2_bzCompressEnd          ZipcoreOwnSort_bzCompressEnd
#define BZ2_bzCompressInit         ZipcoreOwnSort_bzCompressInit
#define BZ2_bzDecompress           ZipcoreOwnSort_bzDecompress
#define BZ2_bzDecompressEnd        ZipcoreOwnSort_bzDecompressEnd
#define BZ2_bzDecompressInit       ZipcoreOwnSort_bzDecompressInit
#define BZ2_bzlibVersion           ZipcoreOwnSort_bzlibVersion
#define BZ2_compressBlock          ZipcoreOwnSort_compressBlock
#define BZ2_crc32Table             ZipcoreOwnSort_crc32Table
#define BZ2_decompress             ZipcoreOwnSort_decompress
#define BZ2_hbAssignCodes          ZipcoreOwnSort_hbAssignCodes
#define BZ2_hbCreateDecodeTables   ZipcoreOwnSort_hbCreateDecodeTables
#define BZ2_hbMakeCodeLengths      ZipcoreOwnSort_hbMakeCodeLengths
#define BZ2_indexIntoF             ZipcoreOwnSort_indexIntoF
#define BZ2_rNums                  ZipcoreOwnSort_rNums
#define BZ2_blockSort              ZipcoreOwnSort_blockSort

#ifdef __cplusplus
extern "C" {
#endif

/* Our sort, called by the copy for each block with the stream's `opaque` pointer (the encoder that
   set up the stream): fills order[0, length) with the starts of the sorted rotations of
   block[0, length) and returns the row of the rotation that starts at 0, or -1 when it cannot sort
   (no memory), in which case libbz2's own sort runs. */
int ZipcoreSortBzip2Block(void* opaque, const unsigned char* block, int length, unsigned int* order);

#ifdef __cplusplus
}
#endif

#endif
