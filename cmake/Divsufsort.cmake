# libdivsufsort with 32-bit indices as a static library named `target`, from Debian's unpacked source
# (scripts/fetch-sources.sh), without its own configure step: its public header is made from upstream's
# template with the types filled in, and the few settings it reads come as definitions.
# The library holds the sort twice: as upstream builds it, and built for alphabets of at most 128
# values as `divsufsort_alphabet128` (its other names changed to match), whose fixed work per call
# (a table of alphabet x alphabet buckets) is a quarter: small blocks whose bytes are turned into
# their ranks among the values used sort faster with it. The object library `target`_alphabet128
# takes the same compile options as `target` where a caller adds any.
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
  set(sources ${source_dir}/lib/divsufsort.c ${source_dir}/lib/sssort.c ${source_dir}/lib/trsort.c)
  set(definitions HAVE_STRING_H=1 HAVE_STDLIB_H=1 HAVE_INTTYPES_H=1 HAVE_STDDEF_H=1 INLINE=inline
                  PROJECT_VERSION_FULL="2.0.1")
  add_library(${target}_alphabet128 OBJECT ${sources})
  target_compile_definitions(${target}_alphabet128 PRIVATE ${definitions} ALPHABET_SIZE=128
    divsufsort=divsufsort_alphabet128 divbwt=divbwt_alphabet128 divsufsort_version=divsufsort_version_alphabet128
    sssort=sssort_alphabet128 trsort=trsort_alphabet128)
  add_library(${target} STATIC ${sources} $<TARGET_OBJECTS:${target}_alphabet128>)
  foreach(library ${target} ${target}_alphabet128)
    target_include_directories(${library} SYSTEM PUBLIC ${include_dir} PRIVATE ${source_dir}/include)
    # Upstream code: built as it is, without our warning policy.
    target_compile_options(${library} PRIVATE -w -O2)
    set_target_properties(${library} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  endforeach()
  target_compile_definitions(${target} PRIVATE ${definitions})
endfunction()
