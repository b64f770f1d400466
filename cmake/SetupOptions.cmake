# Every cache variable of the build, declared once, with its help text.
# Set them with -D on the cmake command line (scripts/lib/build.sh and
# scripts/release.sh do that for you).

# What Setup.exe is built for.
set(SETUP_FILE_SERVER "http://venkor-files.example/" CACHE STRING
  "File server base URL compiled into Setup.exe: an http:// or https:// URL whose path is /")
set(SETUP_SIGNING_KEY "" CACHE STRING
  "A signed release: the maker's minisign public key (the base64 line of its .pub file); every archive must be signed with it. Empty: archives are installed unchecked")
set(SETUP_SIGNATURES_NOT_BEFORE "" CACHE STRING
  "A signed release: the earliest signature time (Unix seconds) Setup.exe accepts; archives signed before it are refused as an older release. Required with SETUP_SIGNING_KEY")
set(SETUP_TRUSTED_CA "" CACHE FILEPATH
  "Test builds of an https file server: a PEM file whose certificates replace Windows' trust store. Empty: the system's store")

# How it is built.
set(SETUP_DEPS "" CACHE PATH "Dependency prefix made by scripts/deps.sh (its last output line)")
option(SETUP_WERROR "Treat compiler warnings as errors (CI)" OFF)
option(SETUP_FUZZ "Native build: build the libFuzzer targets" ON)

# Loopback ports of the test, demo and benchmark file servers.
set(SETUP_TEST_PORT 48231 CACHE STRING "Port of the loopback file server of the wizard tests")
set(SETUP_DEMO_PORT 48232 CACHE STRING "Port of the demo's loopback file server")
set(SETUP_BENCH_PORT 48233 CACHE STRING "Port of the start-up benchmark's loopback file server")
set(SETUP_HTTPS_TEST_PORT 48235 CACHE STRING "Port of the TLS file server of the signed https wizard test")
