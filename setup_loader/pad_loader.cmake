# Pads a linked loader to the fixed length at which its package starts, or fails (and
# removes the file) when the linked loader is already longer.
#   cmake -DFILE=<loader.exe> -DLENGTH=<bytes> -P pad_loader.cmake
file(SIZE "${FILE}" size)
get_filename_component(name "${FILE}" NAME)
if(size GREATER LENGTH)
  file(REMOVE "${FILE}")
  message(FATAL_ERROR "${name}: ${size} bytes, longer than ${LENGTH}, the offset of its package")
endif()
math(EXPR spare "${LENGTH} - ${size}")
message(STATUS "${name}: ${size} bytes before padding to ${LENGTH} (${spare} spare)")
execute_process(COMMAND truncate -s ${LENGTH} "${FILE}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${FILE}")
  message(FATAL_ERROR "${name}: padding failed")
endif()
