# Cross build for Windows with MinGW-w64 (posix thread model), for the processor the including
# toolchain file names in CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)
set(mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER ${mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The libraries tools/windeps.sh builds for this processor, where it has built them: libsndfile,
# libsoxr and libebur128 as DLLs, with their licences.
if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(windeps_cache "$ENV{XDG_CACHE_HOME}")
else()
  set(windeps_cache "$ENV{HOME}/.cache")
endif()
set(VOXMEND_WINDEPS "${windeps_cache}/voxmend/windeps/${CMAKE_SYSTEM_PROCESSOR}" CACHE PATH
    "The prefix of the Windows libraries tools/windeps.sh builds")
if(EXISTS "${VOXMEND_WINDEPS}/.done")
  list(APPEND CMAKE_FIND_ROOT_PATH "${VOXMEND_WINDEPS}")
endif()
