# Prints a file's size after the build: the loader carries decomp32.dll inside its image.
file(SIZE "${FILE}" _size)
math(EXPR _kb "(${_size} + 1023) / 1024")
message("decomp32.dll: ${_size} bytes (${_kb} KB)")
