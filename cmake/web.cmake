# The browser build of the game (emcmake cmake ...; `make web` configures it): aviorra.html with its
# .js, .wasm and .data (the preloaded files) in AVIORRA_WEB_OUTPUT_DIR.
#
# The page is web/shell.html. Its file system holds the content at /content, preloaded from
# AVIORRA_WEB_CONTENT_DIR (the desktop build's generated game/: data.vrk, exec.vrs, mesh/), as the
# installed content behind the game folder /game, which the page keeps in IndexedDB; and the fonts
# at /fonts, preloaded from AVIORRA_WEB_FONT_DIR (Debian's fonts-dejavu-core) for the font code to
# find without fontconfig. cmake/web-pre.js mounts and stores /game and starts with --game-dir /game.

set(AVIORRA_WEB_CONTENT_DIR ${CMAKE_SOURCE_DIR}/build/game CACHE PATH "The generated game folder preloaded at /game")
set(AVIORRA_WEB_FONT_DIR /usr/share/fonts/truetype/dejavu CACHE PATH "The folder of the DejaVu faces preloaded at /fonts")
set(AVIORRA_WEB_OUTPUT_DIR ${CMAKE_BINARY_DIR} CACHE PATH "Where aviorra.html and its files are written")

foreach(file data.vrk exec.vrs)
  if(NOT EXISTS ${AVIORRA_WEB_CONTENT_DIR}/${file})
    message(FATAL_ERROR "${AVIORRA_WEB_CONTENT_DIR}/${file} is missing: build the desktop content target first")
  endif()
endforeach()

# The faces the game's fonts map to (font_face.cpp): sans for the large font and the 3D text, mono for
# the small one, URW Bookman (fonts-urw-base35) for the title, serif for the rest.
set(AVIORRA_WEB_BOOKMAN_DIR /usr/share/fonts/opentype/urw-base35 CACHE PATH "The folder of the URW Bookman faces preloaded at /fonts")
set(AVIORRA_WEB_FONTS
  ${AVIORRA_WEB_FONT_DIR}/DejaVuSans.ttf ${AVIORRA_WEB_FONT_DIR}/DejaVuSans-Bold.ttf
  ${AVIORRA_WEB_FONT_DIR}/DejaVuSans-Oblique.ttf ${AVIORRA_WEB_FONT_DIR}/DejaVuSans-BoldOblique.ttf
  ${AVIORRA_WEB_FONT_DIR}/DejaVuSansMono.ttf ${AVIORRA_WEB_FONT_DIR}/DejaVuSansMono-Bold.ttf
  ${AVIORRA_WEB_FONT_DIR}/DejaVuSerif.ttf ${AVIORRA_WEB_FONT_DIR}/DejaVuSerif-Bold.ttf
  ${AVIORRA_WEB_BOOKMAN_DIR}/URWBookman-Light.otf ${AVIORRA_WEB_BOOKMAN_DIR}/URWBookman-Demi.otf)

set_target_properties(aviorra PROPERTIES SUFFIX ".html" RUNTIME_OUTPUT_DIRECTORY ${AVIORRA_WEB_OUTPUT_DIR})
target_link_options(aviorra PRIVATE
  -sUSE_WEBGL2=1 -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  -sALLOW_MEMORY_GROWTH=1
  -sMINIFY_HTML=0
  -lopenal -lidbfs.js
  "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/cmake/web-pre.js"
  "SHELL:--shell-file ${CMAKE_SOURCE_DIR}/web/shell.html"
  "SHELL:--preload-file ${AVIORRA_WEB_CONTENT_DIR}@/content")
set(web_link_depends ${CMAKE_SOURCE_DIR}/cmake/web-pre.js ${CMAKE_SOURCE_DIR}/web/shell.html
  ${AVIORRA_WEB_CONTENT_DIR}/data.vrk ${AVIORRA_WEB_CONTENT_DIR}/exec.vrs)
foreach(font ${AVIORRA_WEB_FONTS})
  get_filename_component(font_name ${font} NAME)
  if(EXISTS ${font})
    target_link_options(aviorra PRIVATE "SHELL:--preload-file ${font}@/fonts/${font_name}")
    list(APPEND web_link_depends ${font})
  else()
    message(WARNING "${font} is missing (fonts-dejavu-core, fonts-urw-base35): the game falls back to DejaVu faces")
  endif()
endforeach()
set_property(TARGET aviorra APPEND PROPERTY LINK_DEPENDS ${web_link_depends})


# The stb headers are included as <stb/...>, from /usr/include, a folder emscripten does not search
# (and must not: it holds the host's C library): a folder of its own that links to them.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/web-include)
file(CREATE_LINK /usr/include/stb ${CMAKE_BINARY_DIR}/web-include/stb SYMBOLIC)
foreach(layer ${AVIORRA_LAYERS})
  target_include_directories(aviorra_${layer} SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/web-include)
endforeach()
