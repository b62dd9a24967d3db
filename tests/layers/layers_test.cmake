cmake_minimum_required(VERSION 3.25)
# Run with cmake -P. Builds a small source tree with includes in every direction and checks
# what the layer functions report, then checks the real tree's folders with their real rules.
include(${ZV_SOURCE_DIR}/cmake/ZvLayers.cmake)

set(failures 0)
macro(expect what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(SEND_ERROR "${what}: got '${actual}', expected '${expected}'")
    math(EXPR failures "${failures} + 1")
  endif()
endmacro()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/app/controllers ${WORK}/shell ${WORK}/playback ${WORK}/core/common ${WORK}/core/files)
file(WRITE ${WORK}/app/main_window.h "#pragma once\n")
file(WRITE ${WORK}/app/main.cpp "#include \"app/main_window.h\"\n")
file(WRITE ${WORK}/app/controllers/files_controller.cpp "#include \"app/main_window.h\"\n")
file(WRITE ${WORK}/playback/session.h "#pragma once\n#include \"core/common/x.h\"\n")
file(WRITE ${WORK}/shell/up.cpp "#include \"shell/down.h\"\n#include \"playback/session.h\"\n#include \"app/main_window.h\"\n#include <QObject>\n#include \"moc_up.cpp\"\n")
file(WRITE ${WORK}/shell/down.h "#pragma once\n")
file(WRITE ${WORK}/core/common/x.h "#pragma once\n")
file(WRITE ${WORK}/core/files/y.cpp "#include \"core/common/x.h\"\n  #  include \"playback/session.h\"\n")

# Table: folder, allowed folders, expected violations.
zv_layer_violations(v ${WORK} shell ALLOWED playback)
expect("shell including app" "${v}" "shell/up.cpp: app/main_window.h")
zv_layer_violations(v ${WORK} shell ALLOWED playback app)
expect("shell allowed app" "${v}" "")
zv_layer_violations(v ${WORK} core/files ALLOWED core/common)
expect("core including a widget folder" "${v}" "core/files/y.cpp: playback/session.h")
zv_layer_violations(v ${WORK} playback)
expect("playback including core it does not list" "${v}" "playback/session.h: core/common/x.h")
zv_private_header_users(v ${WORK} app/main_window.h app)
expect("the window's header from a controller" "${v}" "app/controllers/files_controller.cpp;shell/up.cpp")

# The real tree, with the rules the build uses: configuring it must not fail.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${ZV_SOURCE_DIR} -B ${WORK}/../configure -DZV_BUILD_TESTS=OFF
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
expect("configuring the real tree" "${rc}" "0")

if(failures)
  message(FATAL_ERROR "${failures} layer check(s) failed")
endif()
