# The HTTP client (libcurl) and the archive download. The cookie store is
# platform-neutral and also built natively for its tests.
add_library(setup_http_cookies STATIC ${CMAKE_CURRENT_LIST_DIR}/CookieStore.cpp)
target_include_directories(setup_http_cookies PUBLIC ${CMAKE_CURRENT_LIST_DIR})

if(WIN32)
  # Resources in a static library would never be linked: the texts travel as
  # an object that every user of setup_http links in.
  add_library(setup_http_texts OBJECT ${CMAKE_CURRENT_LIST_DIR}/http_texts.rc)
  target_include_directories(setup_http_texts PRIVATE ${CMAKE_CURRENT_LIST_DIR})

  add_library(setup_http STATIC
    ${CMAKE_CURRENT_LIST_DIR}/IdHTTP.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HttpExchange.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HttpFailureText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DownloadArchive.cpp)
  target_include_directories(setup_http PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(setup_http PUBLIC setup_http_cookies setup_i18n setup_common PRIVATE dep::curl)
  target_sources(setup_http INTERFACE $<TARGET_OBJECTS:setup_http_texts>)
endif()
