# The layers that every build has, each a library: the base, the program's
# text logic on it, and the device's contact cards on it. Included by the
# desktop's, the phone's and the native build, after their compile options.
add_library(zembrik_base STATIC ${ZEMBRIK_BASE_SOURCES})
target_include_directories(zembrik_base PUBLIC ${CMAKE_SOURCE_DIR})

add_library(zembrik_portable STATIC ${ZEMBRIK_PORTABLE_SOURCES})
target_link_libraries(zembrik_portable PUBLIC zembrik_base)

add_library(zembrik_device_text STATIC ${ZEMBRIK_DEVICE_TEXT_SOURCES})
target_link_libraries(zembrik_device_text PUBLIC zembrik_base)
