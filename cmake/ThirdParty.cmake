# zlib and libbz2 for the current target, as static libraries (ZipArchive.dll ships no extra DLLs).
#   tavoline::zlib  - Debian's libz-mingw-w64-dev for Windows, the system zlib natively
#   tavoline::bzip2 - compiled here from Debian's bzip2 source package (scripts/fetch-bzip2.sh)
#   tavoline::divsufsort - compiled here from Debian's libdivsufsort source package (the same script):
#                   the suffix sort behind our block sort for large bzip2 blocks

set(BZIP2_SOURCE_DIR "${PROJECT_SOURCE_DIR}/.cache/bzip2/src" CACHE PATH "Unpacked bzip2 sources")
set(DIVSUFSORT_SOURCE_DIR "${PROJECT_SOURCE_DIR}/.cache/divsufsort/src" CACHE PATH "Unpacked libdivsufsort sources")
if(NOT EXISTS "${BZIP2_SOURCE_DIR}/bzlib.h" OR NOT EXISTS "${DIVSUFSORT_SOURCE_DIR}/lib/divsufsort.c")
  execute_process(COMMAND sh "${PROJECT_SOURCE_DIR}/scripts/fetch-bzip2.sh" RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0)
    message(FATAL_ERROR "bzip2 sources are missing and could not be fetched (run scripts/setup.sh as root)")
  endif()
endif()

add_library(bzip2_static STATIC
  ${BZIP2_SOURCE_DIR}/blocksort.c ${BZIP2_SOURCE_DIR}/huffman.c ${BZIP2_SOURCE_DIR}/crctable.c
  ${BZIP2_SOURCE_DIR}/randtable.c ${BZIP2_SOURCE_DIR}/compress.c ${BZIP2_SOURCE_DIR}/decompress.c
  ${BZIP2_SOURCE_DIR}/bzlib.c)
target_include_directories(bzip2_static SYSTEM PUBLIC ${BZIP2_SOURCE_DIR})
# Upstream code: built as it is, without our warning policy; no stdio error printing in a library.
target_compile_options(bzip2_static PRIVATE -w -O2)
target_compile_definitions(bzip2_static PRIVATE BZ_NO_STDIO)
set_target_properties(bzip2_static PROPERTIES POSITION_INDEPENDENT_CODE ON)
add_library(tavoline::bzip2 ALIAS bzip2_static)

# libdivsufsort with 32-bit indices, without its own configure step: its public header is made from
# upstream's template with the types filled in, and the few settings it reads come as definitions.
set(W64BIT "")
set(INCFILE "#include <inttypes.h>")
set(DIVSUFSORT_EXPORT "")
set(DIVSUFSORT_IMPORT "")
set(SAUCHAR_TYPE uint8_t)
set(SAINT32_TYPE int32_t)
set(SAINDEX_TYPE int32_t)
set(SAINT_PRId PRId32)
set(SAINDEX_PRId PRId32)
configure_file(${DIVSUFSORT_SOURCE_DIR}/include/divsufsort.h.cmake
               ${CMAKE_BINARY_DIR}/divsufsort/include/divsufsort.h @ONLY)
add_library(divsufsort_static STATIC
  ${DIVSUFSORT_SOURCE_DIR}/lib/divsufsort.c ${DIVSUFSORT_SOURCE_DIR}/lib/sssort.c
  ${DIVSUFSORT_SOURCE_DIR}/lib/trsort.c)
target_include_directories(divsufsort_static SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/divsufsort/include
                           PRIVATE ${DIVSUFSORT_SOURCE_DIR}/include)
target_compile_options(divsufsort_static PRIVATE -w -O2)
target_compile_definitions(divsufsort_static PRIVATE HAVE_STRING_H=1 HAVE_STDLIB_H=1 HAVE_INTTYPES_H=1
                           HAVE_STDDEF_H=1 INLINE=inline PROJECT_VERSION_FULL="2.0.1")
set_target_properties(divsufsort_static PROPERTIES POSITION_INDEPENDENT_CODE ON)
add_library(tavoline::divsufsort ALIAS divsufsort_static)

if(WIN32)
  find_library(ZLIB_STATIC_LIBRARY NAMES libz.a REQUIRED)
  add_library(tavoline::zlib STATIC IMPORTED)
  set_target_properties(tavoline::zlib PROPERTIES IMPORTED_LOCATION ${ZLIB_STATIC_LIBRARY})
else()
  find_package(ZLIB REQUIRED)
  add_library(tavoline::zlib ALIAS ZLIB::ZLIB)
endif()
