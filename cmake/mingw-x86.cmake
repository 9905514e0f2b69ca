# Cross build for 32-bit Windows (32-bit Office).
set(KORVANE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Doubles in SSE2 registers, as in the 64-bit build, instead of the x87 unit's
# 80-bit ones: every operation then rounds once to a double, so a 32-bit Office
# computes the very same payouts and wages as a 64-bit one (tests/com/check_x87.py
# checks the core holds no x87 arithmetic). Every CPU that runs a supported
# 32-bit Office has SSE2. Windows calls into the DLL with the stack aligned to
# 4 bytes only: realign where SSE2 spills need 16.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
