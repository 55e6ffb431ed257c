# Cross-built programs run under Wine: at build time (the sample images), and under CTest, through
# <build>/wine-run. Included before any target is made, which takes the emulator from here.

# Z:\ is the root of the host's file system in every Wine prefix.
function(wine_path variable)
  set(paths ${ARGN})
  list(TRANSFORM paths REPLACE "/" "\\\\")
  list(TRANSFORM paths PREPEND "Z:")
  list(JOIN paths ";" joined)
  set(${variable} "${joined}" PARENT_SCOPE)
endfunction()

# The compiler's runtime DLLs, which every program needs beside Qt's.
set(MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(found ${found} REALPATH)
  if(NOT EXISTS ${found})
    message(FATAL_ERROR "The compiler has no ${dll}: install g++-mingw-w64-x86-64-posix")
  endif()
  list(APPEND MINGW_RUNTIME_DLLS ${found})
endforeach()
set(MINGW_RUNTIME_DIRS ${MINGW_RUNTIME_DLLS})
list(TRANSFORM MINGW_RUNTIME_DIRS REPLACE "/[^/]*$" "")
list(REMOVE_DUPLICATES MINGW_RUNTIME_DIRS)
get_filename_component(QT_BIN_DIR ${Qt6_DIR}/../../../bin ABSOLUTE)
set(WINDOWS_RUNTIME_DIRS ${QT_BIN_DIR} ${MINGW_RUNTIME_DIRS})

if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(WINE wine REQUIRED)
  set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  wine_path(WINE_RUNTIME_PATH ${WINDOWS_RUNTIME_DIRS})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
    WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
