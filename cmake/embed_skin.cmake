# Writes the pixels of a skin image as C source: its width, its height and
# its rows, top first, three bytes (blue, green, red) a pixel. Run as
#   cmake -DCONVERT=<ImageMagick convert> -DIMAGE=<png> -DOUTPUT=<inc> -P embed_skin.cmake
execute_process(COMMAND ${CONVERT} ${IMAGE} -format "%w %h" info: OUTPUT_VARIABLE size RESULT_VARIABLE failed)
if(failed OR NOT size MATCHES "^([0-9]+) ([0-9]+)")
  message(FATAL_ERROR "${IMAGE}: its size could not be read (${size})")
endif()
set(width ${CMAKE_MATCH_1})
set(height ${CMAKE_MATCH_2})
execute_process(COMMAND ${CONVERT} ${IMAGE} -alpha off -depth 8 bgr:${OUTPUT}.raw RESULT_VARIABLE failed)
file(SIZE ${OUTPUT}.raw bytes)
math(EXPR expected "${width} * ${height} * 3")
if(failed OR NOT bytes EQUAL expected)
  message(FATAL_ERROR "${IMAGE}: its pixels could not be read")
endif()
file(READ ${OUTPUT}.raw hex HEX)
file(REMOVE ${OUTPUT}.raw)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
file(WRITE ${OUTPUT} "// Made by the build from ${IMAGE}.\n"
  "#define BUILT_IN_SKIN_WIDTH ${width}\n#define BUILT_IN_SKIN_HEIGHT ${height}\n"
  "static const unsigned char builtInSkinPixels[] = {\n${hex}};\n")
