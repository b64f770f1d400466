# Programs made of the wizard: Setup.exe itself and the test, demo and
# benchmark builds that differ from it only in what is compiled in.
include(${CMAKE_CURRENT_LIST_DIR}/KeyLine.cmake)

# setup_add_program(NAME name FILE_SERVER url [SIGNING_KEY key NOT_BEFORE seconds]
#                   [TRUSTED_CA pem] [DPI_AWARE]):
# the program entry with the window, its manifest and version resource,
# linked into one executable. The file server, the key and the trusted
# certificates are compiled into the program entry only, so a test build
# differs in that one file. Both are checked here: a malformed key or
# certificate file fails the configure step, not the user's installation.
# A signed build (a release) declares per-monitor DPI awareness in its
# manifest, so Windows does not stretch it as a bitmap on a screen it
# scales; DPI_AWARE gives an unsigned test or demo build the same manifest.
function(setup_add_program)
  cmake_parse_arguments(P "DPI_AWARE" "NAME;FILE_SERVER;SIGNING_KEY;NOT_BEFORE;TRUSTED_CA" "" ${ARGN})
  set(app ${PROJECT_SOURCE_DIR}/app)
  # DelayImports.cpp as an object of the program itself: its import pointers
  # must win over the import libraries that libcurl's interface names.
  add_executable(${P_NAME} WIN32 ${app}/main.cpp ${app}/DelayImports.cpp ${app}/Setup.rc)
  target_compile_definitions(${P_NAME} PRIVATE "SETUP_FILE_SERVER=\"${P_FILE_SERVER}\"")
  if(P_SIGNING_KEY)
    setup_key_line_fault("${P_SIGNING_KEY}" fault)
    if(fault)
      message(FATAL_ERROR "${P_NAME}: ${fault}")
    endif()
    # Signatures made before this time are an older release's.
    if(NOT P_NOT_BEFORE MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${P_NAME}: a signed build needs SETUP_SIGNATURES_NOT_BEFORE, the earliest signature "
                          "time it accepts in Unix seconds (got \"${P_NOT_BEFORE}\")")
    endif()
    target_compile_definitions(${P_NAME} PRIVATE "SETUP_SIGNING_KEY=\"${P_SIGNING_KEY}\""
                                                 "SETUP_SIGNATURES_NOT_BEFORE=${P_NOT_BEFORE}LL")
  endif()
  if(P_TRUSTED_CA)
    setup_embed_certificates(${P_NAME} "${P_TRUSTED_CA}")
  endif()
  target_link_libraries(${P_NAME} PRIVATE setup_window)
  target_link_options(${P_NAME} PRIVATE -municode)
  # Per-monitor v2 (Windows 10 1703), else per-monitor (1607); dpiAware
  # true/pm for Windows 8.1 and the first Windows 10, system-aware before.
  set(SETUP_MANIFEST_DPI_AWARENESS "")
  if(P_SIGNING_KEY OR P_DPI_AWARE)
    # (A bracket argument drops the newline right after its opening.)
    set(SETUP_MANIFEST_DPI_AWARENESS [=[

  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
      <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>
    </windowsSettings>
  </application>]=])
  endif()
  setup_manifest(${P_NAME} ${app}/Setup.manifest.in ${app}/Setup.rc)
endfunction()

# The certificates of a PEM file as the string literal SETUP_TRUSTED_CA in a
# header of the program's own, TrustedCertificates.h.
function(setup_embed_certificates target pem)
  if(NOT EXISTS "${pem}")
    message(FATAL_ERROR "${target}: the trusted certificates file ${pem} does not exist")
  endif()
  file(STRINGS "${pem}" lines)
  set(literal "")
  set(certificates 0)
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[-A-Za-z0-9+/= ]*$")
      message(FATAL_ERROR "${target}: ${pem} is no PEM file (line \"${line}\")")
    endif()
    if(line STREQUAL "-----BEGIN CERTIFICATE-----")
      math(EXPR certificates "${certificates} + 1")
    endif()
    string(APPEND literal "    \"${line}\\n\" \\\n")
  endforeach()
  if(certificates EQUAL 0)
    message(FATAL_ERROR "${target}: ${pem} holds no certificate")
  endif()
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${target}-trust)
  file(CONFIGURE OUTPUT ${folder}/TrustedCertificates.h CONTENT
    "// Made by CMake from ${pem}.\n#define SETUP_TRUSTED_CA \\\n${literal}    \"\"\n")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${pem}")
  target_include_directories(${target} PRIVATE ${folder})
  target_compile_definitions(${target} PRIVATE SETUP_TRUSTED_CA_HEADER)
endfunction()
