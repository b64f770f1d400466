# The confirmation dialog and the error box. Their button captions are
# library texts in the string table; the resource object travels with the
# library to whatever links it.
if(WIN32)
  add_library(setup_dialogs_texts OBJECT ${CMAKE_CURRENT_LIST_DIR}/dialog_texts.rc)
  target_include_directories(setup_dialogs_texts PRIVATE ${CMAKE_CURRENT_LIST_DIR})

  add_library(setup_dialogs STATIC ${CMAKE_CURRENT_LIST_DIR}/MessageDialogs.cpp)
  target_include_directories(setup_dialogs PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(setup_dialogs PUBLIC setup_i18n PRIVATE user32 gdi32)
  target_sources(setup_dialogs INTERFACE $<TARGET_OBJECTS:setup_dialogs_texts>)
endif()
