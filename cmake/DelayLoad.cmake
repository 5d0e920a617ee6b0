# Delay-loaded system DLLs. A DLL that is not on Windows' list of known DLLs and is imported the
# ordinary way is looked for in the program's folder first, where a stray download may have put a
# DLL of that name. Imported through a delay-load library instead, it is loaded at its first call,
# after start-up has limited the DLL search to the system folder (app/SystemDllSearch.cpp).
# GNU ld has no --delayload option, but dlltool writes delay-load import libraries.
#
#   tavoline_delay_import(name)  -> target tavoline::<name>_delayed, from cmake/delayload/<name>.def

find_program(TAVOLINE_DLLTOOL ${TOOLCHAIN_PREFIX}-dlltool REQUIRED)

function(tavoline_delay_import name)
  set(source "${PROJECT_SOURCE_DIR}/cmake/delayload/${name}.def")
  set(dir "${CMAKE_BINARY_DIR}/delayload")
  file(READ "${source}" exports)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # 64-bit Windows has one calling convention: the names carry no argument sizes.
    string(REGEX REPLACE "@[0-9]+" "" exports "${exports}")
  endif()
  file(MAKE_DIRECTORY "${dir}")
  file(WRITE "${dir}/${name}.def" "${exports}")
  # Made while configuring, so every target can link it without a build-order dependency.
  execute_process(COMMAND ${TAVOLINE_DLLTOOL} --input-def "${dir}/${name}.def" --kill-at
                          --output-delaylib "${dir}/lib${name}_delayed.a"
                  RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dlltool could not make the delay-load library of ${name}: ${errors}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
  add_library(tavoline::${name}_delayed STATIC IMPORTED GLOBAL)
  set_target_properties(tavoline::${name}_delayed PROPERTIES IMPORTED_LOCATION "${dir}/lib${name}_delayed.a")
endfunction()

tavoline_delay_import(wininet)
