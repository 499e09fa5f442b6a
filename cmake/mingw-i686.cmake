# 32-bit Windows programs, for whoever wants a 32-bit exe; the test command builds them but
# does not run them.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
