# Find & Replace: the pass over the table (native) and the dialog driven through its
# real controls (Wine). Included from this folder's CMakeLists.txt.
kvr_native_test(replace_objects_test
  SOURCES ${PROJECT_SOURCE_DIR}/tests/data/replace_objects_test.cpp
  LIBS kvr_data)

if(KVR_WIN32 AND KVR_BUILD_TESTS)
  # The dialog comes with the editor's UI library when that carries it; otherwise the
  # test builds it itself, over the portable UI core for the vocabularies.
  set(_replace_libs "")
  if(TARGET kvr_ui)
    get_target_property(_kvr_ui_sources kvr_ui SOURCES)
    list(FILTER _kvr_ui_sources INCLUDE REGEX "replace_dialog_win\\.cpp$")
    if(_kvr_ui_sources)
      set(_replace_libs kvr_ui)
    endif()
  endif()
  if(NOT _replace_libs)
    add_library(kvr_replace_dialog STATIC ${PROJECT_SOURCE_DIR}/editor/ui/replace_dialog_win.cpp)
    target_include_directories(kvr_replace_dialog PUBLIC ${PROJECT_SOURCE_DIR})
    if(TARGET kvr_ui_core)
      target_link_libraries(kvr_replace_dialog PUBLIC kvr_ui_core)
    else()
      target_sources(kvr_replace_dialog PRIVATE ${PROJECT_SOURCE_DIR}/editor/ui/vocabularies.cpp)
    endif()
    target_link_libraries(kvr_replace_dialog PUBLIC kvr_data user32 gdi32)
    set(_replace_libs kvr_replace_dialog)
  endif()
  kvr_wine_test(replace_dialog_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/replace_dialog_tests_win.cpp
    LIBS ${_replace_libs})
endif()

# The dialog opened from the real main window, over a loaded file.
if(KVR_WIN32 AND KVR_BUILD_TESTS AND TARGET kvr_ui AND TARGET kvr_wine_gui_support
   AND _replace_libs STREQUAL "kvr_ui")
  kvr_wine_test(replace_from_main_window_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/replace_from_main_window_tests_win.cpp
    LIBS kvr_ui kvr_wine_gui_support)
endif()
