# The default skin's pixels, built into the dialer from skins/default.png:
# the keypad is drawn from them when no skin file can be loaded. Included by
# the desktop's and the phone's build before they make zembrik_core.
find_program(IMAGEMAGICK_CONVERT NAMES convert REQUIRED)
set(BUILT_IN_SKIN_PIXELS ${CMAKE_BINARY_DIR}/generated/built_in_skin_pixels.inc)
add_custom_command(OUTPUT ${BUILT_IN_SKIN_PIXELS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${CMAKE_COMMAND} -DCONVERT=${IMAGEMAGICK_CONVERT} -DIMAGE=${CMAKE_SOURCE_DIR}/skins/default.png
          -DOUTPUT=${BUILT_IN_SKIN_PIXELS} -P ${CMAKE_SOURCE_DIR}/cmake/embed_skin.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/skins/default.png ${CMAKE_SOURCE_DIR}/cmake/embed_skin.cmake
  VERBATIM)
set_source_files_properties(display/built_in_skin.cpp PROPERTIES OBJECT_DEPENDS ${BUILT_IN_SKIN_PIXELS})
