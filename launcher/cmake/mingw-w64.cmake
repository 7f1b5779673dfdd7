# Cross build for 64-bit Windows with the mingw-w64 tool chain; the one
# tool chain file of the project (this name stays for the launcher's own
# Windows build, launcher/ci/wine-tests.sh).
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/windows/mingw-w64.cmake)
