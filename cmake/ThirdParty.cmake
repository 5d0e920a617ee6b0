# The compression libraries for the current target, as static libraries (ZipArchive.dll ships no extra DLLs).
#   tavoline::zlib  - Debian's libz-mingw-w64-dev for Windows, the system zlib natively
#   tavoline::bzip2 - libbz2, compiled here from Debian's bzip2 source package
#   tavoline::lzma  - liblzma's decoders, compiled here from Debian's xz-utils source package
#   tavoline::zstd  - libzstd's decoder, compiled here from Debian's libzstd source package
#   tavoline::divsufsort - libdivsufsort, compiled here from Debian's libdivsufsort source package:
#                   the suffix sort behind our block sort for large bzip2 blocks
#   tavoline::mbedtls - Mbed TLS's AES, SHA-1, HMAC and PBKDF2, compiled here from Debian's mbedtls
#                   source package: the primitives of WinZip AES encryption
include(${CMAKE_CURRENT_LIST_DIR}/CompressionLibraries.cmake)

tavoline_add_bzip2(bzip2_static)
add_library(tavoline::bzip2 ALIAS bzip2_static)
tavoline_add_lzma(lzma_static)
add_library(tavoline::lzma ALIAS lzma_static)
tavoline_add_zstd(zstd_static)
add_library(tavoline::zstd ALIAS zstd_static)
include(${CMAKE_CURRENT_LIST_DIR}/Divsufsort.cmake)
tavoline_add_divsufsort(divsufsort_static ${DIVSUFSORT_SOURCE_DIR})
add_library(tavoline::divsufsort ALIAS divsufsort_static)
tavoline_add_mbedtls(mbedtls_static)
add_library(tavoline::mbedtls ALIAS mbedtls_static)

if(WIN32)
  find_library(ZLIB_STATIC_LIBRARY NAMES libz.a REQUIRED)
  add_library(tavoline::zlib STATIC IMPORTED)
  set_target_properties(tavoline::zlib PROPERTIES IMPORTED_LOCATION ${ZLIB_STATIC_LIBRARY})
else()
  find_package(ZLIB REQUIRED)
  add_library(tavoline::zlib ALIAS ZLIB::ZLIB)
endif()
