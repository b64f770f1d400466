# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model):
# the same sources for another target, tested where no 32-bit program runs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
