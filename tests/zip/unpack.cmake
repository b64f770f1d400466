# Extraction into real folders, under Wine.
if(TARGET setup_unpack)
  setup_test(NAME zip_unpack_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/UnpackArchiveTest.cpp ${CMAKE_CURRENT_LIST_DIR}/TargetNameTest.cpp
    LIBS setup_unpack)
  target_compile_definitions(zip_unpack_tests PRIVATE
    ZIP_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures" ZIP_ARCHIVES="${ZIP_ARCHIVES}")
  add_dependencies(zip_unpack_tests zip_test_archives)
endif()
