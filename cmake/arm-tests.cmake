# The text logic's unit tests for 32-bit ARM (cmake/arm-linux-gnueabihf.cmake):
# the same sources as the desktop's unit_tests build them, so that a size or
# a sign that differs on the phone's processor fails a test here. Included
# by cmake/native.cmake.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)

include(${CMAKE_SOURCE_DIR}/cmake/portable.cmake)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(${CMAKE_SOURCE_DIR}/tests/text_tests.cmake)

add_executable(text_tests ${ZEMBRIK_TEXT_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/platform/contact_cards.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/text_support.cpp ${CMAKE_SOURCE_DIR}/tests/support/short_wchar.c)
target_include_directories(text_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(text_tests PRIVATE zembrik_portable zembrik_device_text gtest_main)
# C++20 has libstdc++ instantiate std::wstring in the program's own objects,
# for the 2-byte wchar_t, and short_wchar.c gives the C library's wide
# functions for it: after each link, the program is checked to take no wide
# function, nor any 4-byte std::wstring, from the libraries.
add_custom_command(TARGET text_tests POST_BUILD
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/support/wide_imports.sh ${CMAKE_NM} $<TARGET_FILE:text_tests>)

enable_testing()
add_test(NAME text_tests COMMAND text_tests)
