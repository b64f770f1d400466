# The wizard window (library setup_window, shared by the product and its test
# build) and the program Setup.exe. The file server is compiled into the
# program entry only, so a test build differs in that one file.
if(WIN32)
  enable_language(RC)
  set(_app ${CMAKE_CURRENT_LIST_DIR})

  add_library(setup_window STATIC
    ${_app}/Application.cpp
    ${_app}/InstallDrive.cpp
    ${_app}/InstallStep.cpp
    ${_app}/Navigation.cpp
    ${_app}/FailureText.cpp
    ${_app}/Notebook.cpp
    ${_app}/Panel.cpp
    ${_app}/WizardPages.cpp
    ${_app}/WorkProgress.cpp
    ${_app}/ufrmMain.cpp)
  target_include_directories(setup_window PUBLIC ${_app})
  target_link_libraries(setup_window PUBLIC setup_common setup_i18n setup_dialogs setup_shell setup_install comctl32 shell32 gdi32 user32)

  # setup_add_program(NAME name FILE_SERVER url): the program entry with the
  # window, its manifest and version resource, linked into one executable.
  function(setup_add_program)
    cmake_parse_arguments(P "" "NAME;FILE_SERVER" "" ${ARGN})
    set(_app ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
    add_executable(${P_NAME} WIN32 ${_app}/main.cpp ${_app}/Setup.rc)
    target_compile_definitions(${P_NAME} PRIVATE "SETUP_FILE_SERVER=\"${P_FILE_SERVER}\"")
    target_link_libraries(${P_NAME} PRIVATE setup_window)
    target_link_options(${P_NAME} PRIVATE -municode)
    set_property(SOURCE ${_app}/Setup.rc APPEND PROPERTY OBJECT_DEPENDS ${_app}/Setup.manifest)
  endfunction()

  setup_add_program(NAME Setup FILE_SERVER "${SETUP_FILE_SERVER}")
  set_target_properties(Setup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/dist)
endif()
