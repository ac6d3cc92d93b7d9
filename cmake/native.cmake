# The build machine's own build (no toolchain file): the programs that run
# here, and with ZEMBRIK_FUZZ (clang) the fuzz targets over the text logic.
# The text logic builds as it is, against base/portable_types.h, with a
# 16-bit wchar_t. With cmake/arm-linux-gnueabihf.cmake: the text logic's
# tests for 32-bit ARM instead (cmake/arm-tests.cmake).
if(ZEMBRIK_ARM_TESTS)
  include(${CMAKE_SOURCE_DIR}/cmake/arm-tests.cmake)
  return()
endif()
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
option(ZEMBRIK_FUZZ "Build the fuzz targets with libFuzzer and the sanitizers (clang)" OFF)
# x86 and the phone's compiler take plain char as signed, other ARM
# compilers as unsigned. Built the other way round, with any warning an
# error (a char compared with 0, which only a signed one can be below,
# among them), the fuzz targets show what the text logic assumes of it.
option(ZEMBRIK_FUZZ_UNSIGNED_CHAR "Build the fuzz targets with plain char unsigned, warnings as errors" OFF)

include(${CMAKE_SOURCE_DIR}/cmake/portable.cmake)
if(ZEMBRIK_FUZZ)
  set(ZEMBRIK_FUZZ_FLAGS -g -O1 -fsanitize=address,undefined -fno-sanitize-recover=all)
  foreach(library zembrik_base zembrik_portable zembrik_device_text)
    target_compile_options(${library} PUBLIC -fshort-wchar ${ZEMBRIK_FUZZ_FLAGS} -fsanitize=fuzzer-no-link)
    target_link_options(${library} PUBLIC ${ZEMBRIK_FUZZ_FLAGS})
    if(ZEMBRIK_FUZZ_UNSIGNED_CHAR)
      target_compile_options(${library} PUBLIC -funsigned-char -Werror -Wtautological-unsigned-char-zero-compare)
    endif()
  endforeach()
  add_subdirectory(fuzz)
else()
  # Not needed here, only checked to build natively: out of the default.
  foreach(library zembrik_base zembrik_portable zembrik_device_text)
    target_compile_options(${library} PUBLIC -fshort-wchar)
    set_target_properties(${library} PROPERTIES EXCLUDE_FROM_ALL ON)
  endforeach()
endif()

# The skin's and the application icon's generators (make skin, make icon),
# with the PNG writer they share.
add_library(png_writer STATIC tools/png_writer.cpp)
target_compile_options(png_writer PRIVATE -O2)
add_executable(make_skin tools/make_skin.cpp)
add_executable(make_icon tools/make_icon.cpp)
foreach(generator make_skin make_icon)
  target_compile_options(${generator} PRIVATE -O2)
  target_link_libraries(${generator} PRIVATE png_writer)
endforeach()
# The real-sound test's helpers: a recorder that times each piece as it
# arrives, and the DTMF check of the recording.
add_executable(timed_record tests/sound/timed_record.cpp)
add_executable(dtmf_check tests/sound/dtmf_check.cpp)
target_compile_options(timed_record PRIVATE -O2)
target_compile_options(dtmf_check PRIVATE -O2)
