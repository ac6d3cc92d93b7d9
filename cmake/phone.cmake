# The phone's build: the program's own sources against the phone's own
# libraries, with GCC 4.4. The desktop's stand-ins in platform/ take no part:
# on the phone the real libraries take their place.
add_compile_options(-std=gnu++0x)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN _WIN32_WCE=0x501 _WIN32_IE=0x0400)
# What the phone's SDK declares and the toolchain's headers lack.
include_directories(BEFORE ${CMAKE_SOURCE_DIR}/wince/include)
include_directories(${CMAKE_SOURCE_DIR})

# Import libraries for what the toolchain's own lack: one per DLL, made from
# the rows of the phone's export table marked "here", each by name or by the
# ordinal the DLL publishes instead.
set(PHONE_EXPORTS ${CMAKE_SOURCE_DIR}/wince/lib/phone_exports.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PHONE_EXPORTS})
file(STRINGS ${PHONE_EXPORTS} rows REGEX "^[^#]")
set(phone_dlls)
foreach(row ${rows})
  if(NOT row MATCHES "^([A-Za-z0-9_]+)\\.dll +([A-Za-z0-9_]+) +(name|@[0-9]+) +(cegcc|here) ")
    message(FATAL_ERROR "phone_exports.txt: cannot read the row '${row}'")
  endif()
  if(CMAKE_MATCH_4 STREQUAL "here")
    string(TOLOWER ${CMAKE_MATCH_1} dll)
    set(export ${CMAKE_MATCH_2})
    if(NOT CMAKE_MATCH_3 STREQUAL "name")
      set(export "${export} ${CMAKE_MATCH_3} NONAME")
    endif()
    list(APPEND phone_dlls ${dll})
    string(APPEND ${dll}_exports "${export}\n")
    string(TOUPPER ${dll} ${dll}_library)
  endif()
endforeach()
list(REMOVE_DUPLICATES phone_dlls)
set(PHONE_IMPORT_LIBRARIES)
foreach(dll ${phone_dlls})
  set(def ${CMAKE_BINARY_DIR}/phone_${dll}.def)
  set(lib ${CMAKE_BINARY_DIR}/libphone_${dll}.a)
  file(CONFIGURE OUTPUT ${def} CONTENT "LIBRARY ${${dll}_library}.dll\nEXPORTS\n${${dll}_exports}")
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-lib ${lib}
    DEPENDS ${def}
    COMMENT "Import library for ${dll}.dll")
  add_custom_target(phone_${dll}_imports DEPENDS ${lib})
  add_library(phone_${dll} STATIC IMPORTED GLOBAL)
  set_target_properties(phone_${dll} PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(phone_${dll} phone_${dll}_imports)
  list(APPEND PHONE_IMPORT_LIBRARIES phone_${dll})
endforeach()

# The text logic and the vCard reader and writer of the desktop's contact
# store are built here too, so that a size or a type that differs on the
# phone (32-bit pointers, the ARM ABI's alignment) fails the build, not the
# phone.
include(${CMAKE_SOURCE_DIR}/cmake/portable.cmake)

include(${CMAKE_SOURCE_DIR}/cmake/built_in_skin.cmake)
add_library(zembrik_core STATIC ${ZEMBRIK_CORE_SOURCES})
target_include_directories(zembrik_core PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(zembrik_core PUBLIC zembrik_portable)
add_executable(zembrik app/winmain.cpp)
set_target_properties(zembrik PROPERTIES OUTPUT_NAME Zembrik)
# libgcc linked in: the phone has no libgcc DLL (libstdc++ is always
# static). Marked for Windows CE 5.01, Windows Mobile 5: the shell then
# takes the program as aware of high-density screens, which it scales for
# itself, rather than doubling its pixels.
target_link_options(zembrik PRIVATE -s -static-libgcc -Wl,--major-subsystem-version,5 -Wl,--minor-subsystem-version,1)
target_link_libraries(zembrik PRIVATE zembrik_core ${PHONE_IMPORT_LIBRARIES} aygshell CellCore ws2 ole32 oleaut32 uuid)
add_custom_command(TARGET zembrik POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/skins/default.png $<TARGET_FILE_DIR:zembrik>)

add_executable(zembrik_settings ${ZEMBRIK_SETTINGS_SOURCES})
set_target_properties(zembrik_settings PROPERTIES OUTPUT_NAME ZembrikSettings)
target_link_options(zembrik_settings PRIVATE -s -static-libgcc -Wl,--major-subsystem-version,5
  -Wl,--minor-subsystem-version,1)
target_link_libraries(zembrik_settings PRIVATE zembrik_portable ${PHONE_IMPORT_LIBRARIES} aygshell)

# What a phone installs: the program and its skin in \Program Files\Zembrik
# and a shortcut in the Start menu, as one CAB file.
# The settings program goes beside it, with a shortcut of its own.
find_program(PYTHON3 python3 REQUIRED)
set(ZEMBRIK_CAB ${CMAKE_BINARY_DIR}/Zembrik.cab)
add_custom_command(OUTPUT ${ZEMBRIK_CAB}
  COMMAND ${PYTHON3} ${CMAKE_SOURCE_DIR}/tools/make_cab.py ${ZEMBRIK_CAB} $<TARGET_FILE:zembrik>
          ${CMAKE_SOURCE_DIR}/skins/default.png
          $<TARGET_FILE:zembrik_settings>
  DEPENDS zembrik ${CMAKE_SOURCE_DIR}/tools/make_cab.py ${CMAKE_SOURCE_DIR}/skins/default.png
          zembrik_settings
  COMMENT "Install file Zembrik.cab")
add_custom_target(zembrik_cab ALL DEPENDS ${ZEMBRIK_CAB})
