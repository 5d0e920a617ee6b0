# GoogleTest, built from Debian's googletest sources in each build tree that has tests.
if(NOT TARGET gtest)
  if(WIN32)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE) # the Windows tests need no POSIX threads
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
include(GoogleTest)
