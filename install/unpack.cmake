# Archive extraction on Windows: TAbUnZipper over the ZIP reader, and
# UnpackArchive. The texts live in the executable's string table; a resource
# inside a static library would never be linked, so the object travels on.
if(WIN32 AND TARGET setup_zip)
  enable_language(RC)
  add_library(setup_unpack_texts OBJECT ${CMAKE_CURRENT_LIST_DIR}/unpack_texts.rc)
  add_library(setup_unpack STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AbUnZipper.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ArchiveFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderListing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TargetName.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UnpackArchive.cpp)
  target_include_directories(setup_unpack PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(setup_unpack PUBLIC setup_zip setup_common setup_i18n)
  target_sources(setup_unpack INTERFACE $<TARGET_OBJECTS:setup_unpack_texts>)
endif()
