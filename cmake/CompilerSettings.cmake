# Compiler and linker settings for every target of both build trees.
#
# Windows: Unicode Win32 for Windows 7 and later, everything linked
# statically, so Setup.exe needs no DLL beside it; reproducible.
# Native: the platform-neutral code under AddressSanitizer and UBSan, with
# coverage hooks for the libFuzzer targets.
if(WIN32)
  enable_language(RC)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Reproducible: no link time in the PE header, no build folder in the
  # debug information, so two builds of one commit give the same bytes.
  add_link_options(-Wl,--no-insert-timestamp)
  # Small: each function and object in a section of its own, so the linker
  # drops what nothing calls.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  # Optimised for size, except where the time goes (setup_hot_path).
  add_compile_options($<$<CONFIG:Release>:-Os>)
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=/setup -ffile-prefix-map=${CMAKE_BINARY_DIR}=/build)
  # What differs between the two Windows targets, decided once:
  #   SETUP_TARGET          x86 or x64 (release.sh --arch, benchmark ratios)
  #   SETUP_PRESET          the preset that builds it; SETUP_DEPS_VARIABLE its libraries
  #   SETUP_MANIFEST_ARCH   the manifest's architecture, and so the side-by-side
  #                         Common Controls it binds to (a 64-bit program asking
  #                         for the x86 one does not start)
  #   SETUP_WINE_ARCH, SETUP_WINE_LOADER  how tests run it (Debian's wine
  #                         command takes the 32-bit loader whenever it is installed)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL x86_64)
    set(SETUP_TARGET x64)
    set(SETUP_PRESET win64)
    set(SETUP_DEPS_VARIABLE SETUP_DEPS_X64)
    set(SETUP_MANIFEST_ARCH amd64)
    set(SETUP_WINE_ARCH win64)
    set(SETUP_WINE_LOADER /usr/lib/wine/wine64)
  else()
    set(SETUP_TARGET x86)
    set(SETUP_PRESET win)
    set(SETUP_DEPS_VARIABLE SETUP_DEPS)
    set(SETUP_MANIFEST_ARCH x86)
    set(SETUP_WINE_ARCH win32)
    set(SETUP_WINE_LOADER wine)
  endif()
else()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
  if(SETUP_FUZZ)
    # Coverage feedback from every library a fuzz target links, not only
    # from the harness; the sanitizer runtime serves the hooks elsewhere.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()

add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-Wall;-Wextra>")
if(SETUP_WERROR)
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-Werror>")
endif()

# setup_manifest(TARGET source.manifest.in): the manifest made for this
# target's architecture, in a folder that TARGET's resource script searches.
function(setup_manifest target template)
  get_filename_component(name ${template} NAME_WLE)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${target}-manifest)
  configure_file(${template} ${folder}/${name} @ONLY)
  target_include_directories(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${folder}>)
  set_property(SOURCE ${ARGN} APPEND PROPERTY OBJECT_DEPENDS ${folder}/${name})
endfunction()

# setup_hot_path(TARGET...): optimised for speed (-O2) where the benchmarks
# show the time goes: decoding, reading the archive, writing the files.
function(setup_hot_path)
  if(WIN32)
    foreach(target IN LISTS ARGN)
      target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-O2>)
    endforeach()
  endif()
endfunction()
