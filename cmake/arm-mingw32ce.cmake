# Cross build for the phone: ARM Windows CE with the CeGCC toolchain
# (arm-mingw32ce, GCC 4.4), installed under CEGCC_PREFIX.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(ZEMBRIK_PHONE ON)

if(NOT CEGCC_PREFIX)
  set(CEGCC_PREFIX "$ENV{CEGCC_PREFIX}" CACHE PATH "Folder of the arm-mingw32ce toolchain")
endif()
if(NOT EXISTS "${CEGCC_PREFIX}/bin/arm-mingw32ce-g++")
  message(FATAL_ERROR "no arm-mingw32ce toolchain under CEGCC_PREFIX='${CEGCC_PREFIX}'")
endif()
# Checks that CMake compiles in scratch projects read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CEGCC_PREFIX)

set(CMAKE_C_COMPILER ${CEGCC_PREFIX}/bin/arm-mingw32ce-gcc)
set(CMAKE_CXX_COMPILER ${CEGCC_PREFIX}/bin/arm-mingw32ce-g++)
set(CMAKE_RC_COMPILER ${CEGCC_PREFIX}/bin/arm-mingw32ce-windres)
set(CMAKE_DLLTOOL ${CEGCC_PREFIX}/bin/arm-mingw32ce-dlltool)
set(CMAKE_OBJDUMP ${CEGCC_PREFIX}/bin/arm-mingw32ce-objdump)
set(CMAKE_FIND_ROOT_PATH ${CEGCC_PREFIX}/arm-mingw32ce)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The phone has none of the desktop's system libraries: coredll comes by
# default, every other library is named where it is used.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "")
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "")
