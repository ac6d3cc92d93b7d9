# Delay-loaded imports: the DLL is loaded at the first call of one of the
# listed functions, not when the process starts. Under Wine, ole32 and the
# DLLs it pulls in cost about 25 ms of every start, although the dialer needs
# COM only for the skin image and the contact card.
#   add_delay_import(<target name> <dll> <function>...)
# makes an import library <target name> that other targets link before the
# system's own import library of that DLL.
find_program(DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool dlltool REQUIRED)

function(add_delay_import name dll)
  set(def ${CMAKE_BINARY_DIR}/${name}.def)
  set(lib ${CMAKE_BINARY_DIR}/lib${name}.a)
  string(REPLACE ";" "\n" exports "${ARGN}")
  file(WRITE ${def}.in "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
  configure_file(${def}.in ${def} COPYONLY)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${DLLTOOL} --input-def ${def} --output-delaylib ${lib}
    DEPENDS ${def}
    COMMENT "Delay-load import library for ${dll}")
  add_custom_target(${name}_build DEPENDS ${lib})
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${lib} INTERFACE_LINK_LIBRARIES delayimp)
  add_dependencies(${name} ${name}_build)
endfunction()
