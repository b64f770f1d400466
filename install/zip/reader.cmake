# The ZIP archive reader: central directory through minizip (its I/O callbacks
# on our RandomAccessFile), entry names, attributes, and entry data decoded
# through setup_zip_decoders. Platform-neutral: the native build runs it under
# the sanitizers and the fuzzer.
if(TARGET setup_zip_decoders)
  add_library(setup_zip STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ZipArchive.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZipEntry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EntryName.cpp)
  target_include_directories(setup_zip PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(setup_zip PUBLIC setup_zip_decoders PRIVATE dep::minizip dep::zlib)
endif()
