# The installation run: target folder, then download and unpack of each archive.
if(WIN32 AND TARGET setup_unpack AND TARGET setup_http)
  add_library(setup_install STATIC ${CMAKE_CURRENT_LIST_DIR}/InstallRun.cpp)
  target_include_directories(setup_install PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(setup_install PUBLIC setup_unpack setup_http PRIVATE shell32)
endif()
