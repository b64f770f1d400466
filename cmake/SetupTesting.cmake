# Test and warning settings shared by every target.
#
# setup_test(NAME name SOURCES ... [LIBS ...] [GUI])
#   A GoogleTest program registered with ctest. Windows builds run it under
#   Wine through CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine-run, one prefix
#   per build tree); GUI tests also need DISPLAY, which scripts/test.sh sets.
if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(SETUP_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
else()
  # Native build: the platform-neutral code under AddressSanitizer and UBSan.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
  option(SETUP_FUZZ "Build the libFuzzer targets" ON)
  if(SETUP_FUZZ)
    # Coverage feedback from every library a fuzz target links, not only
    # from the harness; the sanitizer runtime serves the hooks elsewhere.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wall> $<$<COMPILE_LANGUAGE:CXX>:-Wextra>)

function(setup_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gtest)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
  if(T_GUI)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK display)
  endif()
endfunction()

# setup_fuzzer(NAME name SOURCES ... [LIBS ...]) : native libFuzzer target, not a test.
function(setup_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT WIN32 AND SETUP_FUZZ)
    add_executable(${F_NAME} ${F_SOURCES})
    target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS} -fsanitize=fuzzer)
  endif()
endfunction()

# Adds every subfolder of the calling folder that has a CMakeLists.txt.
function(setup_add_subfolders)
  file(GLOB entries LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(entry ${entries})
    if(IS_DIRECTORY ${entry} AND EXISTS ${entry}/CMakeLists.txt)
      add_subdirectory(${entry})
    endif()
  endforeach()
endfunction()
