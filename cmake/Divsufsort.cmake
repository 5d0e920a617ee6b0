# libdivsufsort with 32-bit indices as a static library named `target`, from Debian's unpacked source
# (scripts/fetch-sources.sh), without its own configure step: its public header is made from upstream's
# template with the types filled in, and the few settings it reads come as definitions.
function(tavoline_add_divsufsort target source_dir)
  set(W64BIT "")
  set(INCFILE "#include <inttypes.h>")
  set(DIVSUFSORT_EXPORT "")
  set(DIVSUFSORT_IMPORT "")
  set(SAUCHAR_TYPE uint8_t)
  set(SAINT32_TYPE int32_t)
  set(SAINDEX_TYPE int32_t)
  set(SAINT_PRId PRId32)
  set(SAINDEX_PRId PRId32)
  set(include_dir ${CMAKE_BINARY_DIR}/divsufsort/include)
  configure_file(${source_dir}/include/divsufsort.h.cmake ${include_dir}/divsufsort.h @ONLY)
  add_library(${target} STATIC
    ${source_dir}/lib/divsufsort.c ${source_dir}/lib/sssort.c ${source_dir}/lib/trsort.c)
  target_include_directories(${target} SYSTEM PUBLIC ${include_dir} PRIVATE ${source_dir}/include)
  # Upstream code: built as it is, without our warning policy.
  target_compile_options(${target} PRIVATE -w -O2)
  target_compile_definitions(${target} PRIVATE HAVE_STRING_H=1 HAVE_STDLIB_H=1 HAVE_INTTYPES_H=1
                             HAVE_STDDEF_H=1 INLINE=inline PROJECT_VERSION_FULL="2.0.1")
endfunction()
