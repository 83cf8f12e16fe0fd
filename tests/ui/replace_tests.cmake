# Find & Replace: the pass over the table (native) and the dialog driven through its
# real controls (Wine). Included from this folder's CMakeLists.txt.
kvr_native_test(replace_objects_test
  SOURCES ${PROJECT_SOURCE_DIR}/tests/data/replace_objects_test.cpp
  LIBS kvr_data)
