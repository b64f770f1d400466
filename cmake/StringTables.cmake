# Library texts live in the executable's string table, and LoadResString
# finds them there. A resource compiled into a static library would never be
# linked (nothing refers to it), so each library's texts are an object
# library of their own that travels, as an interface source, to whatever
# links the library.
#
# Every table's ids, in one place. The ranges are whole blocks of 16 (the
# unit in which Windows stores string resources, so two tables never share
# one) and do not meet: a text added to one table cannot take another's id.
set(SETUP_STRING_TABLE_RANGES
  http_texts     256  511   # install/http: the HTTP client
  unpack_texts   512  767   # install/extract: the archive extraction
  shell_texts    768  895   # shell: the shortcut, registry and COM texts
  release_texts  896 1023   # install: signed releases
  dialog_texts  1024 1279)  # app: the message dialogs

# setup_string_table(LIBRARY RC_FILE): the object library LIBRARY_texts from
# RC_FILE, linked into every executable that links LIBRARY. Configuring
# fails when an id the table's header defines lies outside its range.
function(setup_string_table library rc)
  add_library(${library}_texts OBJECT ${rc})
  target_sources(${library} INTERFACE $<TARGET_OBJECTS:${library}_texts>)
  setup_check_string_ids(${CMAKE_CURRENT_SOURCE_DIR}/${rc})
endfunction()

function(setup_check_string_ids rc)
  get_filename_component(table ${rc} NAME_WE)
  list(FIND SETUP_STRING_TABLE_RANGES ${table} at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${rc}: the string table ${table} has no range in cmake/StringTables.cmake")
  endif()
  math(EXPR at_first "${at} + 1")
  math(EXPR at_last "${at} + 2")
  list(GET SETUP_STRING_TABLE_RANGES ${at_first} first)
  list(GET SETUP_STRING_TABLE_RANGES ${at_last} last)
  # The ids are defined in the header the table includes, beside it.
  file(STRINGS ${rc} includes REGEX "^#include \"[A-Za-z]+TextIds\\.h\"")
  if(NOT includes)
    message(FATAL_ERROR "${rc}: includes no *TextIds.h with its ids")
  endif()
  get_filename_component(folder ${rc} DIRECTORY)
  foreach(include IN LISTS includes)
    string(REGEX REPLACE "^#include \"(.*)\"" "\\1" header "${include}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${folder}/${header})
    file(STRINGS ${folder}/${header} defines REGEX "^#define IDS_")
    foreach(define IN LISTS defines)
      string(REGEX REPLACE "^#define ([A-Z0-9_]+) +([0-9]+).*" "\\1;\\2" pair "${define}")
      list(GET pair 0 name)
      list(GET pair 1 id)
      if(NOT id MATCHES "^[0-9]+$" OR id LESS first OR id GREATER last)
        message(FATAL_ERROR "${folder}/${header}: ${name} (${id}) lies outside ${table}'s range ${first}-${last} "
                            "(cmake/StringTables.cmake)")
      endif()
    endforeach()
  endforeach()
endfunction()

# The ranges themselves: whole blocks, in order, none meeting the next.
set(previous -1)
list(LENGTH SETUP_STRING_TABLE_RANGES count)
math(EXPR count "${count} - 1")
foreach(i RANGE 0 ${count} 3)
  math(EXPR at_first "${i} + 1")
  math(EXPR at_last "${i} + 2")
  list(GET SETUP_STRING_TABLE_RANGES ${at_first} first)
  list(GET SETUP_STRING_TABLE_RANGES ${at_last} last)
  math(EXPR first_in_block "${first} % 16")
  math(EXPR last_in_block "(${last} + 1) % 16")
  if(NOT first GREATER previous OR first_in_block OR last_in_block OR last LESS first)
    message(FATAL_ERROR "cmake/StringTables.cmake: the range ${first}-${last} is no run of whole blocks after ${previous}")
  endif()
  set(previous ${last})
endforeach()
