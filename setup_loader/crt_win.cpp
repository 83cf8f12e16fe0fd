// The few memory routines that the compiler may call on its own. The loader links without
// a C runtime to stay small.
#include <cstddef>

extern "C" {

void* memset(void* destination, int value, std::size_t count) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    while (count--) *d++ = static_cast<unsigned char>(value);
    return destination;
}

void* memcpy(void* destination, const void* source, std::size_t count) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    const unsigned char* s = static_cast<const unsigned char*>(source);
    while (count--) *d++ = *s++;
    return destination;
}

void* memmove(void* destination, const void* source, std::size_t count) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    const unsigned char* s = static_cast<const unsigned char*>(source);
    if (d < s) {
        while (count--) *d++ = *s++;
    } else {
        while (count--) d[count] = s[count];
    }
    return destination;
}

std::size_t strlen(const char* text) {
    std::size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

}  // extern "C"
