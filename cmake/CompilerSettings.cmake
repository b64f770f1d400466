# Compiler and linker settings for every target of both build trees.
#
# Windows: Unicode Win32 for Windows 7 and later, everything linked
# statically, so Setup.exe needs no DLL beside it.
# Native: the platform-neutral code under AddressSanitizer and UBSan, with
# coverage hooks for the libFuzzer targets.
if(WIN32)
  enable_language(RC)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
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
