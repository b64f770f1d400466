# Test programs and fuzz targets.
#
# setup_test(NAME name SOURCES ... [LIBS ...] [DEFINITIONS ...] [DEPENDS ...]
#            [LOCKS ...] [GUI] [OWN_FOLDER] [DRIVE] [OWN_PREFIX])
#   A GoogleTest program registered with ctest. Windows builds run it under
#   Wine through CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine-run, one prefix
#   per build tree).
#   GUI: needs the display (DISPLAY, which scripts/test.sh sets); never runs
#        beside another GUI test.
#   LOCKS: further ctest resource locks (tests that change the same registry
#        key of the prefix).
#   OWN_FOLDER: the program is written to its source folder's build folder,
#        for tests that find files beside themselves.
#   DRIVE: runs with Wine drive V: mapped to an empty folder of its own
#        (tests/support/with_drive.sh), for tests that write to a drive root.
#   OWN_PREFIX: runs in a Wine prefix of its own (made at its first run), for
#        tests that change what every program of a prefix reads (the user's
#        proxy settings), while other tests run.
#   BOUNDED_ADDRESS_SPACE: a 64-bit program runs with 4 GB of address space,
#        as a 32-bit one on 64-bit Windows has, so that its tests can fill it
#        (tests/support/AddressSpace.h) and reach out-of-memory paths. Under
#        Wine the bound is the Linux process's (wine-run: ulimit -v), as Wine
#        keeps no job object memory limits.
if(WIN32)
  set(SETUP_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

set(SETUP_TEST_SUPPORT_DIR ${CMAKE_CURRENT_LIST_DIR}/../tests/support)

function(setup_test)
  cmake_parse_arguments(T "GUI;OWN_FOLDER;DRIVE;BOUNDED_ADDRESS_SPACE;OWN_PREFIX" "NAME" "SOURCES;LIBS;DEFINITIONS;DEPENDS;LOCKS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} setup_test_support GTest::gtest_main GTest::gtest)
  target_compile_definitions(${T_NAME} PRIVATE ${T_DEFINITIONS})
  if(T_DEPENDS)
    add_dependencies(${T_NAME} ${T_DEPENDS})
  endif()
  if(T_OWN_FOLDER)
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(prefix ${SETUP_WINEPREFIX})
  if(T_OWN_PREFIX)
    set(prefix ${CMAKE_CURRENT_BINARY_DIR}/wineprefix-${T_NAME})
  endif()
  if(T_DRIVE)
    add_test(NAME ${T_NAME}
      COMMAND sh ${SETUP_TEST_SUPPORT_DIR}/with_drive.sh ${CMAKE_CROSSCOMPILING_EMULATOR} ${prefix}
              ${CMAKE_CURRENT_BINARY_DIR}/drive-v $<TARGET_FILE:${T_NAME}>)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  set(locks ${T_LOCKS})
  if(T_GUI)
    list(APPEND locks display)
  endif()
  if(T_DRIVE AND NOT T_OWN_PREFIX)
    list(APPEND locks drive_v)  # with_drive.sh maps V: in the shared prefix
  endif()
  # A program that crashes under Wine may still exit with 0: a test passes
  # only when GoogleTest printed its summary and no failure.
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600 PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
  if(locks)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${locks}")
  endif()
  if(T_BOUNDED_ADDRESS_SPACE AND SETUP_TARGET STREQUAL x64)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT SETUP_ADDRESS_SPACE_KB=4194304)
  endif()
  if(T_OWN_PREFIX)
    set_property(TEST ${T_NAME} APPEND PROPERTY ENVIRONMENT SETUP_WINEPREFIX=${prefix})
  endif()
endfunction()

# setup_fuzzer(NAME name SOURCES ... [LIBS ...]): a native libFuzzer target,
# not a test; scripts/fuzz.sh runs it. Windows builds leave it out.
function(setup_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT WIN32 AND SETUP_FUZZ)
    add_executable(${F_NAME} ${F_SOURCES})
    target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS} -fsanitize=fuzzer)
  endif()
endfunction()

# setup_test_data(TARGET name SCRIPT script.py OUTPUT folder COMMENT text)
#   Test data made at build time: the calling folder's Python script, given
#   OUTPUT as its one argument, runs again whenever it changes. Test programs
#   name TARGET in DEPENDS.
function(setup_test_data)
  cmake_parse_arguments(D "" "TARGET;SCRIPT;OUTPUT;COMMENT" "" ${ARGN})
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_custom_command(OUTPUT ${D_OUTPUT}/stamp
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/${D_SCRIPT} ${D_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E touch ${D_OUTPUT}/stamp
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${D_SCRIPT}
    COMMENT "${D_COMMENT}")
  add_custom_target(${D_TARGET} DEPENDS ${D_OUTPUT}/stamp)
endfunction()
