# The archives the ZIP tests read: made at build time by real tools and by the
# field-by-field writer (make_archives.py); the samples sit in fixtures/.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZIP_ARCHIVES ${CMAKE_CURRENT_BINARY_DIR}/archives)
add_custom_command(OUTPUT ${ZIP_ARCHIVES}/stamp
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/make_archives.py ${ZIP_ARCHIVES}
  COMMAND ${CMAKE_COMMAND} -E touch ${ZIP_ARCHIVES}/stamp
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/make_archives.py
  COMMENT "Making test archives")
add_custom_target(zip_test_archives DEPENDS ${ZIP_ARCHIVES}/stamp)

if(TARGET setup_zip AND NOT WIN32)
  setup_test(NAME zip_reader_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/ZipArchiveTest.cpp LIBS setup_zip)
  target_compile_definitions(zip_reader_tests PRIVATE
    ZIP_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures" ZIP_ARCHIVES="${ZIP_ARCHIVES}")
  add_dependencies(zip_reader_tests zip_test_archives)
endif()
if(TARGET setup_zip)
  setup_fuzzer(NAME fuzz_zip_reader SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzZipReader.cpp LIBS setup_zip)
endif()
