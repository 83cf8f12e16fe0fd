# The tile picture control and the folder lists: the folder tree natively, the controls
# themselves under Wine. Included from this folder's CMakeLists.txt.
if(TARGET kvr_ui_core)
  get_target_property(_core_sources kvr_ui_core SOURCES)
  list(FILTER _core_sources INCLUDE REGEX "folder_tree\\.cpp$")
endif()
if(_core_sources)
  kvr_native_test(folder_list_tree_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/folder_list_tree_tests.cpp
    LIBS kvr_ui_core)
else()
  kvr_native_test(folder_list_tree_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/folder_list_tree_tests.cpp ${PROJECT_SOURCE_DIR}/editor/ui/folder_tree.cpp)
endif()

if(KVR_WIN32 AND KVR_BUILD_TESTS AND TARGET kvr_picture)
  # The controls come with the editor's UI library; without it the tests build them alone.
  set(_controls_libs "")
  if(TARGET kvr_ui)
    get_target_property(_ui_sources kvr_ui SOURCES)
    list(FILTER _ui_sources INCLUDE REGEX "(picture_box|folder_lists)_win\\.cpp$")
    list(LENGTH _ui_sources _ui_count)
    if(_ui_count EQUAL 2)
      set(_controls_libs kvr_ui)
    endif()
  endif()
  if(NOT _controls_libs)
    add_library(kvr_ui_controls STATIC
      ${PROJECT_SOURCE_DIR}/editor/ui/picture_box_win.cpp
      ${PROJECT_SOURCE_DIR}/editor/ui/folder_lists_win.cpp
      ${PROJECT_SOURCE_DIR}/editor/ui/folder_tree.cpp)
    target_include_directories(kvr_ui_controls PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(kvr_ui_controls PUBLIC kvr_picture gdi32 comctl32)
    set(_controls_libs kvr_ui_controls)
  endif()

  # The shared test picture's reference rendering, as netpbm reads its PNG.
  find_program(KVR_PNGTOPNM pngtopnm REQUIRED)
  set(_gmarbles_png ${KVR_SHARED_TESTDATA}/pcx/gmarbles.png)
  set(_gmarbles_pnm ${CMAKE_CURRENT_BINARY_DIR}/gmarbles_reference.pnm)
  add_custom_command(OUTPUT ${_gmarbles_pnm}
    COMMAND ${KVR_PNGTOPNM} ${_gmarbles_png} > ${_gmarbles_pnm}
    DEPENDS ${_gmarbles_png}
    COMMENT "Reference rendering of gmarbles.png")
  add_custom_target(picture_box_reference DEPENDS ${_gmarbles_pnm})

  kvr_wine_test(picture_box_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/picture_box_tests_win.cpp
    LIBS ${_controls_libs} kvr_picture)
  if(TARGET picture_box_tests)
    add_dependencies(picture_box_tests picture_box_reference)
    target_compile_definitions(picture_box_tests PRIVATE
      KVR_SHARED_TESTDATA="${KVR_SHARED_TESTDATA}"
      KVR_DEMO_DIR="${KVR_DEMO_DIR}"
      KVR_GMARBLES_REFERENCE="${_gmarbles_pnm}")
  endif()

  kvr_wine_test(folder_lists_tests GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/folder_lists_tests_win.cpp
    LIBS ${_controls_libs})
endif()
