# The one rule for the maker's key line (the second line of a minisign.pub):
# base64 of "Ed", an 8-byte key id and a 32-byte Ed25519 key. 42 bytes make
# exactly 56 characters with no padding, and "Ed" makes them start with RW
# and one of Q, R, S, T. The verifier in Setup.exe decodes the same set
# (ParseMinisignPublicKey); tests/signature/key_line_rule.sh holds the two
# to agreement.
#
# Included: setup_key_line_fault(LINE VARIABLE) sets VARIABLE to why LINE is
# no key line, or to "" when it is one.
# As a script (scripts/release.sh): cmake -DKEY=LINE -P KeyLine.cmake
# fails with why on its first line of output, or prints nothing.
function(setup_key_line_fault line variable)
  string(LENGTH "${line}" length)
  if(NOT line MATCHES "^RW[QRST][A-Za-z0-9+/]+$" OR NOT length EQUAL 56)
    set(${variable} "\"${line}\" is no minisign public key (the base64 line of a minisign.pub, 56 characters starting with RW)" PARENT_SCOPE)
  else()
    set(${variable} "" PARENT_SCOPE)
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  setup_key_line_fault("${KEY}" fault)
  if(fault)
    message("${fault}")  # unwrapped, unlike FATAL_ERROR's text
    message(FATAL_ERROR "no key line")
  endif()
endif()
