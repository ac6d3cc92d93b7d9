# Cross build of the text logic's unit tests for 32-bit ARM Linux with
# Debian's cross compiler; CTest runs them under qemu-arm. Plain char is
# signed and wchar_t 2 bytes, as the phone's compiler (CeGCC) has them,
# where this compiler's own default is unsigned char and a 4-byte wchar_t.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(ZEMBRIK_ARM_TESTS ON)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_C_FLAGS_INIT "-fsigned-char -fshort-wchar")
set(CMAKE_CXX_FLAGS_INIT "-fsigned-char -fshort-wchar")
# The C library's objects say 4-byte wchar_t and ours 2: the linker warns
# of the mix, which tests/support/short_wchar.c answers.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--no-wchar-size-warning")
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L /usr/arm-linux-gnueabihf)
