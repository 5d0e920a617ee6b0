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

include(${CMAKE_CURRENT_LIST_DIR}/Divsufsort.cmake)
tavoline_add_divsufsort(divsufsort_static ${DIVSUFSORT_SOURCE_DIR})
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
