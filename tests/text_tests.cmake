# The unit tests of the text logic, which need nothing of the platform: built
# into the desktop's unit_tests (tests/CMakeLists.txt) and, for 32-bit ARM
# under qemu-arm, into text_tests (cmake/arm-tests.cmake).
set(ZEMBRIK_TEXT_TEST_SOURCES
  ${CMAKE_SOURCE_DIR}/tests/calls_log_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/click_to_dial_text_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/command_line_parse_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/contact_cards_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/dial_plan_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/layout_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/numbers_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/phone_link_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/service_text_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/text_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/tone_synthesizer_test.cpp
)
