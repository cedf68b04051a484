# Helpers for registering tests.
#
#   pomfy_test(NAME name COMMAND cmd... [LABELS l...] [DESKTOP] [DESKTOP_ARGS a...])
#
# DESKTOP runs the command on a desktop of its own (Xvfb, openbox, tint2 along
# the bottom; tests/e2e/desktop.sh), DESKTOP_ARGS passes options to that script
# (--no-panel, --no-wm). Tests on a desktop get the label "desktop".
set(POMFY_DESKTOP ${CMAKE_SOURCE_DIR}/tests/e2e/desktop.sh)

function(pomfy_test)
  cmake_parse_arguments(T "DESKTOP" "NAME" "COMMAND;LABELS;DESKTOP_ARGS" ${ARGN})
  set(cmd ${T_COMMAND})
  set(labels ${T_LABELS})
  if(T_DESKTOP)
    list(GET cmd 0 first)
    if(TARGET ${first})
      list(REMOVE_AT cmd 0)
      list(PREPEND cmd $<TARGET_FILE:${first}>)
      if(CMAKE_CROSSCOMPILING_EMULATOR)
        list(PREPEND cmd ${CMAKE_CROSSCOMPILING_EMULATOR})
      endif()
    endif()
    set(cmd ${POMFY_DESKTOP} ${T_DESKTOP_ARGS} ${cmd})
    list(APPEND labels desktop)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${cmd})
  if(labels)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${labels}")
  endif()
endfunction()

# A GoogleTest program built from the given sources, linked with gtest_main and
# the given libraries, registered as one test.
#   pomfy_gtest(name SOURCES s... LIBS l... [LABELS ...] [DESKTOP])
function(pomfy_gtest name)
  cmake_parse_arguments(G "DESKTOP" "" "SOURCES;LIBS;LABELS;DESKTOP_ARGS" ${ARGN})
  add_executable(${name} ${G_SOURCES})
  target_link_libraries(${name} PRIVATE ${G_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(G_DESKTOP)
    pomfy_test(NAME ${name} COMMAND ${name} LABELS ${G_LABELS} DESKTOP DESKTOP_ARGS ${G_DESKTOP_ARGS})
  else()
    pomfy_test(NAME ${name} COMMAND ${name} LABELS ${G_LABELS})
  endif()
endfunction()
