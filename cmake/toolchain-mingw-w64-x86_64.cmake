# The same Windows build for 64-bit Windows. The product is 32-bit; this
# variant exists so that the Windows bindings can run under a 64-bit-only
# Wine where 32-bit programs cannot.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORBITQUAIL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)
