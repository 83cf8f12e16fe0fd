// Fixed-size text buffers for the loader. The loader runs without a C runtime and every
// path it builds is bounded, so text is assembled in caller-owned storage; an append that
// would not fit sets `overflow` and leaves the text as it was before that append.
#pragma once

#include <cstddef>

struct TextBuffer {
    char* data;
    std::size_t capacity;  // bytes of storage, the terminating zero included
    std::size_t length;
    bool overflow;
};

// Starts an empty text in `storage` (capacity >= 1).
TextBuffer TextOn(char* storage, std::size_t capacity);

// Append whole texts, single characters or the first `count` characters of a text.
// Return false (and set `overflow`) when the result would not fit.
bool TextAppend(TextBuffer& text, const char* tail);
bool TextAppendChar(TextBuffer& text, char c);
bool TextAppendCount(TextBuffer& text, const char* tail, std::size_t count);
bool TextAppendDecimal(TextBuffer& text, unsigned value);

std::size_t TextLength(const char* text);
bool TextEqual(const char* a, const char* b);
