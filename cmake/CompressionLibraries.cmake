# Static libraries compiled from Debian's source packages (unpacked by scripts/fetch-sources.sh), shared
# by the main build (cmake/ThirdParty.cmake) and the fuzzing build (tests/fuzz/clang). Only what the
# archive core calls is compiled: libbz2 whole, liblzma's and libzstd's decoders, and of Mbed TLS the
# modules WinZip AES needs.
# Upstream code is built as it is, without our warning policy.

set(TAVOLINE_SOURCE_CACHE "${CMAKE_CURRENT_LIST_DIR}/../.cache")
set(BZIP2_SOURCE_DIR "${TAVOLINE_SOURCE_CACHE}/bzip2/src" CACHE PATH "Unpacked bzip2 sources")
set(XZ_SOURCE_DIR "${TAVOLINE_SOURCE_CACHE}/xz-utils/src" CACHE PATH "Unpacked xz-utils sources")
set(ZSTD_SOURCE_DIR "${TAVOLINE_SOURCE_CACHE}/libzstd/src" CACHE PATH "Unpacked libzstd sources")
set(DIVSUFSORT_SOURCE_DIR "${TAVOLINE_SOURCE_CACHE}/libdivsufsort/src" CACHE PATH "Unpacked libdivsufsort sources")
set(MBEDTLS_SOURCE_DIR "${TAVOLINE_SOURCE_CACHE}/mbedtls/src" CACHE PATH "Unpacked mbedtls sources")

if(NOT EXISTS "${BZIP2_SOURCE_DIR}/bzlib.h" OR NOT EXISTS "${XZ_SOURCE_DIR}/src/liblzma/api/lzma.h"
   OR NOT EXISTS "${ZSTD_SOURCE_DIR}/lib/zstd.h" OR NOT EXISTS "${DIVSUFSORT_SOURCE_DIR}/lib/divsufsort.c"
   OR NOT EXISTS "${MBEDTLS_SOURCE_DIR}/include/mbedtls/aes.h")
  execute_process(COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/../scripts/fetch-sources.sh" RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0)
    message(FATAL_ERROR "compression library sources are missing and could not be fetched (run scripts/setup.sh as root)")
  endif()
endif()

# libbz2, without stdio error printing.
function(tavoline_add_bzip2 name)
  set(dir ${BZIP2_SOURCE_DIR})
  add_library(${name} STATIC ${dir}/blocksort.c ${dir}/huffman.c ${dir}/crctable.c ${dir}/randtable.c
              ${dir}/compress.c ${dir}/decompress.c ${dir}/bzlib.c
              ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../ziparchive/core/bzip2/Libbz2ErrorHandler.c)
  target_include_directories(${name} SYSTEM PUBLIC ${dir})
  target_compile_options(${name} PRIVATE -w -O2)
  target_compile_definitions(${name} PRIVATE BZ_NO_STDIO)
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# liblzma's .xz stream decoder and raw LZMA1 decoder, with every filter and check an .xz file may use.
function(tavoline_add_lzma name)
  set(dir ${XZ_SOURCE_DIR}/src/liblzma)
  add_library(${name} STATIC
    ${dir}/common/common.c ${dir}/common/block_util.c ${dir}/common/block_decoder.c
    ${dir}/common/block_header_decoder.c ${dir}/common/filter_common.c ${dir}/common/filter_decoder.c
    ${dir}/common/filter_flags_decoder.c ${dir}/common/index_hash.c ${dir}/common/stream_decoder.c
    ${dir}/common/stream_flags_common.c ${dir}/common/stream_flags_decoder.c ${dir}/common/vli_decoder.c
    ${dir}/common/vli_size.c
    ${dir}/check/check.c ${dir}/check/crc32_fast.c ${dir}/check/crc32_table.c ${dir}/check/crc64_fast.c
    ${dir}/check/crc64_table.c ${dir}/check/sha256.c
    ${dir}/lz/lz_decoder.c ${dir}/lzma/lzma_decoder.c ${dir}/lzma/lzma2_decoder.c
    ${dir}/delta/delta_common.c ${dir}/delta/delta_decoder.c
    ${dir}/simple/simple_coder.c ${dir}/simple/simple_decoder.c ${dir}/simple/x86.c ${dir}/simple/powerpc.c
    ${dir}/simple/ia64.c ${dir}/simple/arm.c ${dir}/simple/armthumb.c ${dir}/simple/arm64.c
    ${dir}/simple/sparc.c)
  target_include_directories(${name} SYSTEM PUBLIC ${dir}/api)
  target_include_directories(${name} PRIVATE ${dir}/common ${dir}/check ${dir}/lz ${dir}/lzma ${dir}/rangecoder
                             ${dir}/delta ${dir}/simple ${XZ_SOURCE_DIR}/src/common)
  target_compile_definitions(${name} PUBLIC LZMA_API_STATIC)
  target_compile_definitions(${name} PRIVATE
    HAVE_STDINT_H HAVE_INTTYPES_H HAVE_STDBOOL_H HAVE__BOOL TUKLIB_SYMBOL_PREFIX=lzma_
    HAVE_CHECK_CRC32 HAVE_CHECK_CRC64 HAVE_CHECK_SHA256
    HAVE_DECODER_LZMA1 HAVE_DECODER_LZMA2 HAVE_DECODER_DELTA HAVE_DECODER_X86 HAVE_DECODER_POWERPC
    HAVE_DECODER_IA64 HAVE_DECODER_ARM HAVE_DECODER_ARMTHUMB HAVE_DECODER_ARM64 HAVE_DECODER_SPARC)
  target_compile_options(${name} PRIVATE -w -O2)
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# libzstd's single-threaded decoder: current frames only (no legacy formats, no dictionaries built),
# the portable C Huffman decoder (no assembly), no tracing hooks.
function(tavoline_add_zstd name)
  set(dir ${ZSTD_SOURCE_DIR}/lib)
  add_library(${name} STATIC
    ${dir}/common/debug.c ${dir}/common/entropy_common.c ${dir}/common/error_private.c
    ${dir}/common/fse_decompress.c ${dir}/common/xxhash.c ${dir}/common/zstd_common.c
    ${dir}/decompress/huf_decompress.c ${dir}/decompress/zstd_ddict.c ${dir}/decompress/zstd_decompress.c
    ${dir}/decompress/zstd_decompress_block.c)
  target_include_directories(${name} SYSTEM PUBLIC ${dir})
  target_compile_definitions(${name} PRIVATE ZSTD_LEGACY_SUPPORT=0 ZSTD_DISABLE_ASM ZSTD_TRACE=0)
  target_compile_options(${name} PRIVATE -w -O2)
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# Mbed TLS's AES (with AES-NI on x86-64), SHA-1, HMAC (its md layer) and PBKDF2 (pkcs5), configured by
# cmake/mbedtls/tavoline_mbedtls_config.h: the primitives of WinZip AES encryption, nothing else.
function(tavoline_add_mbedtls name)
  set(dir ${MBEDTLS_SOURCE_DIR}/library)
  add_library(${name} STATIC ${dir}/aes.c ${dir}/aesni.c ${dir}/sha1.c ${dir}/md.c ${dir}/pkcs5.c
              ${dir}/platform.c ${dir}/platform_util.c)
  target_include_directories(${name} SYSTEM PUBLIC ${MBEDTLS_SOURCE_DIR}/include
                             ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/mbedtls)
  target_compile_definitions(${name} PUBLIC MBEDTLS_CONFIG_FILE="tavoline_mbedtls_config.h")
  target_compile_options(${name} PRIVATE -w -O2)
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()
