# The archive core's sources, listed once for every build that compiles them: the libraries below
# and the fuzz targets' sanitizer build (tests/fuzz/clang).
set(ZIPCORE_DIR ${CMAKE_CURRENT_LIST_DIR})

# Our bzip2 codec: block encoders and decoders over libbz2's format, no zip knowledge.
set(ZIPCORE_BZIP2_SOURCES
  ${ZIPCORE_DIR}/bzip2/Bzip2BlockDecoder.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2BlockUnpack.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2BlockEncoder.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2BlockSorter.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2BlockSplitter.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2Crc.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2HuffmanCode.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2HuffmanTable.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2RotationSorter.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2OwnBlockEncoder.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2StreamDecoder.cpp
  ${ZIPCORE_DIR}/bzip2/Bzip2StreamJoiner.cpp)

# libbz2 once more, built with Libbz2WithOwnSort.h forced in: its functions renamed, its block sort
# handed to ours (Libbz2SortHook.c), its own sort kept as the fallback (Libbz2OwnBlockSort.c).
set(ZIPCORE_BZIP2_OWNSORT_UPSTREAM
  ${BZIP2_SOURCE_DIR}/huffman.c ${BZIP2_SOURCE_DIR}/crctable.c ${BZIP2_SOURCE_DIR}/randtable.c
  ${BZIP2_SOURCE_DIR}/compress.c ${BZIP2_SOURCE_DIR}/decompress.c ${BZIP2_SOURCE_DIR}/bzlib.c
  ${ZIPCORE_DIR}/bzip2/Libbz2OwnBlockSort.c)
set(ZIPCORE_BZIP2_OWNSORT_SOURCES ${ZIPCORE_BZIP2_OWNSORT_UPSTREAM} ${ZIPCORE_DIR}/bzip2/Libbz2SortHook.c)

# The zip container with its compression methods and decryption: records, central directory,
# names, entries read and written as verified streams. No threads, no spools, no folders on disk.
set(ZIPCORE_SOURCES
  ${ZIPCORE_DIR}/CentralDirectory.cpp
  ${ZIPCORE_DIR}/DosTime.cpp
  ${ZIPCORE_DIR}/EndOfCentral.cpp
  ${ZIPCORE_DIR}/EntryCheck.cpp
  ${ZIPCORE_DIR}/EntryName.cpp
  ${ZIPCORE_DIR}/ExtraFields.cpp
  ${ZIPCORE_DIR}/TextEncoding.cpp
  ${ZIPCORE_DIR}/ZipReader.cpp
  ${ZIPCORE_DIR}/ZipRecords.cpp
  ${ZIPCORE_DIR}/ZipWriter.cpp
  ${ZIPCORE_DIR}/ZipWriterEntries.cpp
  ${ZIPCORE_DIR}/crypto/EntryDecryption.cpp
  ${ZIPCORE_DIR}/crypto/Pbkdf2Sha1.cpp
  ${ZIPCORE_DIR}/crypto/TraditionalCipher.cpp
  ${ZIPCORE_DIR}/crypto/WinZipAes.cpp
  ${ZIPCORE_DIR}/crypto/Wipe.cpp
  ${ZIPCORE_DIR}/methods/Bzip2Codec.cpp
  ${ZIPCORE_DIR}/methods/Codec.cpp
  ${ZIPCORE_DIR}/methods/Deflate64Codec.cpp
  ${ZIPCORE_DIR}/methods/DeflateCodec.cpp
  ${ZIPCORE_DIR}/methods/InflateHuffman.cpp
  ${ZIPCORE_DIR}/methods/Inflater.cpp
  ${ZIPCORE_DIR}/methods/LzmaCodec.cpp
  ${ZIPCORE_DIR}/methods/StoredCodec.cpp
  ${ZIPCORE_DIR}/methods/XzCodec.cpp
  ${ZIPCORE_DIR}/methods/ZstandardCodec.cpp)

# Generic worker threads, for the layers above the container.
set(ZIPCORE_PARALLEL_SOURCES ${ZIPCORE_DIR}/parallel/WorkerPool.cpp)

# Unpacking an archive into a folder: test then extract, decode-ahead, the parallel bzip2 decoder,
# spools of verified data, AES keys derived ahead, names and folders on disk.
set(ZIPCORE_EXTRACT_SOURCES
  ${ZIPCORE_DIR}/extract/AesKeysAhead.cpp
  ${ZIPCORE_DIR}/extract/ArchiveExtractor.cpp
  ${ZIPCORE_DIR}/extract/DiskNames.cpp
  ${ZIPCORE_DIR}/extract/DecodeAhead.cpp
  ${ZIPCORE_DIR}/extract/ParallelBzip2Decompressor.cpp
  ${ZIPCORE_DIR}/extract/VerifiedSpool.cpp)

# Packing files from disk into a new archive: background entries, parallel bzip2 compression, the
# compressibility guess.
set(ZIPCORE_PACK_SOURCES
  ${ZIPCORE_DIR}/pack/ArchivePacker.cpp
  ${ZIPCORE_DIR}/pack/BackgroundEntries.cpp
  ${ZIPCORE_DIR}/pack/Bzip2EncoderPool.cpp
  ${ZIPCORE_DIR}/pack/CompressibilityGuess.cpp
  ${ZIPCORE_DIR}/pack/ParallelBzip2Compressor.cpp)

# Every layer of the core above our bzip2 codec, for builds that compile them together.
set(ZIPCORE_ALL_SOURCES ${ZIPCORE_SOURCES} ${ZIPCORE_PARALLEL_SOURCES} ${ZIPCORE_EXTRACT_SOURCES}
    ${ZIPCORE_PACK_SOURCES})

# The file seam on POSIX systems (Windows gets its own from the DLL's Windows half).
set(ZIPCORE_POSIX_SOURCES ${ZIPCORE_DIR}/PosixFileAccess.cpp)
