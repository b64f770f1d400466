# Imported targets for the libraries built by scripts/deps.sh.
# Windows builds: everything from <deps>/i686 or <deps>/x86_64 (the target's
# own prefix). Native build: Debian's -dev packages, plus the patched minizip
# and the 7-Zip codecs from <deps>/native (made beside the i686 libraries).
if(NOT SETUP_DEPS)
  message(FATAL_ERROR "Set SETUP_DEPS to the prefix printed by scripts/deps.sh (SETUP_DEPS_X64 for the win64 preset)")
endif()

if(WIN32)
  set(SETUP_PREFIX ${SETUP_DEPS}/${CMAKE_SYSTEM_PROCESSOR})
else()
  set(SETUP_PREFIX ${SETUP_DEPS}/native)
endif()

function(setup_import name lib)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${lib}
    INTERFACE_INCLUDE_DIRECTORIES "${ARGN}")
endfunction()

if(WIN32)
  list(PREPEND CMAKE_FIND_ROOT_PATH ${SETUP_PREFIX})
  # Full paths on purpose: MinGW's libz.dll.a sits on the default search path.
  setup_import(dep::zlib ${SETUP_PREFIX}/lib/libz.a ${SETUP_PREFIX}/include)
  setup_import(dep::bz2 ${SETUP_PREFIX}/lib/libbz2.a ${SETUP_PREFIX}/include)
  setup_import(dep::lzma ${SETUP_PREFIX}/lib/liblzma.a ${SETUP_PREFIX}/include)
  set_property(TARGET dep::lzma PROPERTY INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC)
  setup_import(dep::wavpack ${SETUP_PREFIX}/lib/libwavpack.a ${SETUP_PREFIX}/include)
  set_property(TARGET dep::wavpack PROPERTY INTERFACE_COMPILE_DEFINITIONS WAVPACK_STATIC)
  setup_import(dep::curl ${SETUP_PREFIX}/lib/libcurl.a ${SETUP_PREFIX}/include)
  # Schannel (TLS) needs secur32 and crypt32; winmm is on libcurl's own list.
  set_target_properties(dep::curl PROPERTIES INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
    INTERFACE_LINK_LIBRARIES "ws2_32;bcrypt;advapi32;crypt32;secur32;winmm")
  # libsodium's random source is RtlGenRandom (advapi32).
  setup_import(dep::sodium ${SETUP_PREFIX}/lib/libsodium.a ${SETUP_PREFIX}/include)
  set_target_properties(dep::sodium PROPERTIES INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC
    INTERFACE_LINK_LIBRARIES advapi32)
  find_package(GTest REQUIRED CONFIG PATHS ${SETUP_PREFIX} NO_DEFAULT_PATH)
else()
  find_package(ZLIB REQUIRED)
  find_package(BZip2 REQUIRED)
  find_package(LibLZMA REQUIRED)
  find_package(GTest REQUIRED)
  add_library(dep::zlib ALIAS ZLIB::ZLIB)
  add_library(dep::bz2 ALIAS BZip2::BZip2)
  add_library(dep::lzma ALIAS LibLZMA::LibLZMA)
  find_library(WAVPACK_LIB wavpack REQUIRED)
  add_library(dep::wavpack UNKNOWN IMPORTED GLOBAL)
  set_target_properties(dep::wavpack PROPERTIES IMPORTED_LOCATION ${WAVPACK_LIB})
  find_library(SODIUM_LIB sodium REQUIRED)
  find_path(SODIUM_INCLUDE_DIR sodium.h REQUIRED)
  add_library(dep::sodium UNKNOWN IMPORTED GLOBAL)
  set_target_properties(dep::sodium PROPERTIES IMPORTED_LOCATION ${SODIUM_LIB}
    INTERFACE_INCLUDE_DIRECTORIES ${SODIUM_INCLUDE_DIR})
endif()

setup_import(dep::minizip ${SETUP_PREFIX}/lib/libminizip.a ${SETUP_PREFIX}/include)
set_property(TARGET dep::minizip PROPERTY INTERFACE_LINK_LIBRARIES dep::zlib)
setup_import(dep::codec7z ${SETUP_PREFIX}/lib/libcodec7z.a
  ${SETUP_PREFIX}/include/7zip/C ${SETUP_PREFIX}/include/7zip/CPP)
set_property(TARGET dep::codec7z PROPERTY INTERFACE_COMPILE_DEFINITIONS Z7_ST)
