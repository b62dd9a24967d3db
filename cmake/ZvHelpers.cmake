# Helpers shared by the source and test trees.

# Every test runs with the environment a Polish user has, on the virtual display the test
# command provides, with a private state folder so that it never touches the user's files.
set(ZV_TEST_ENV
  "LC_ALL=pl_PL.UTF-8"
  "LANG=pl_PL.UTF-8"
  "QT_QPA_PLATFORM=xcb"
  "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0"
  "UBSAN_OPTIONS=print_stacktrace=1"
  "ZV_MEDIA_DIR=${CMAKE_BINARY_DIR}/media"
  "ZV_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
)

# zv_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [MEDIA] [TIMEOUT s])
#   GUI   : links a main() that builds a QApplication (needs a display).
#   MEDIA : the generated clips must exist before the test runs.
#   LAUNCHER cmd... : the test runs under that command (dbus-run-session --, say).
# Without GUI the main() builds a QCoreApplication.
function(zv_add_test name)
  cmake_parse_arguments(T "GUI;MEDIA" "TIMEOUT" "SOURCES;LIBS;LAUNCHER" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE zv_test_main_gui)
  else()
    target_link_libraries(${name} PRIVATE zv_test_main_core)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${T_LAUNCHER} $<TARGET_FILE:${name}>)
  set(env ${ZV_TEST_ENV} "ZV_TEST_BIN_DIR=$<TARGET_FILE_DIR:${name}>")
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  if(T_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  else()
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  endif()
  if(T_MEDIA)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED zv_media)
  endif()
endfunction()

# Adds every immediate subfolder of the current folder that has a CMakeLists.txt.
function(zv_add_subdirectories)
  file(GLOB children CONFIGURE_DEPENDS LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
