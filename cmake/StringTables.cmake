# Library texts live in the executable's string table, and LoadResString
# finds them there. A resource compiled into a static library would never be
# linked (nothing refers to it), so each library's texts are an object
# library of their own that travels, as an interface source, to whatever
# links the library.
#
# setup_string_table(LIBRARY RC_FILE): the object library LIBRARY_texts from
# RC_FILE, linked into every executable that links LIBRARY.
function(setup_string_table library rc)
  add_library(${library}_texts OBJECT ${rc})
  target_sources(${library} INTERFACE $<TARGET_OBJECTS:${library}_texts>)
endfunction()
