# Tests of the Windows build run under wine64 in a throwaway prefix (scripts/wine-prefix.sh makes it).
# tavoline_add_wine_test(target [TIMEOUT seconds] [ENVIRONMENT VAR=value...] [FIXTURES names])
# registers every GoogleTest case of an executable; FIXTURES names ctest fixtures its cases need set up first.

set(TAVOLINE_WINEPREFIX "${CMAKE_BINARY_DIR}/wine/prefix" CACHE PATH "Wine prefix the tests run in")
# The Wine that runs them: the host's wine64 for the 64-bit build; for the 32-bit build the stand-ins
# of scripts/wow64/, which run Wine 10 in its WoW64 mode inside the tree of scripts/wow64-tree.sh.
set(TAVOLINE_WINE /usr/lib/wine/wine64 CACHE FILEPATH "Wine loader the tests run under")
set(TAVOLINE_WINESERVER /usr/lib/wine/wineserver CACHE FILEPATH "Wine server of that loader")
# For tests that are scripts starting Wine themselves.
set(TAVOLINE_WINE_ENVIRONMENT "TAVOLINE_WINE=${TAVOLINE_WINE};TAVOLINE_WINESERVER=${TAVOLINE_WINESERVER}")
configure_file(${PROJECT_SOURCE_DIR}/tests/wine/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

function(tavoline_add_wine_test target)
  cmake_parse_arguments(ARG "" "TIMEOUT" "ENVIRONMENT;FIXTURES" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(environment)
  if(ARG_ENVIRONMENT)
    set(environment ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  set(fixtures)
  if(ARG_FIXTURES)
    set(fixtures FIXTURES_REQUIRED "${ARG_FIXTURES}")
  endif()
  # Discovery runs at test time, when the prefix exists; each case is one ctest test with a hard limit.
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT ${ARG_TIMEOUT} ${environment} ${fixtures})
endfunction()
