#include "setup_loader/bounded_text.h"

TextBuffer TextOn(char* storage, std::size_t capacity) {
    storage[0] = '\0';
    return TextBuffer{storage, capacity, 0, false};
}

std::size_t TextLength(const char* text) {
    std::size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

bool TextEqual(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

bool TextAppendCount(TextBuffer& text, const char* tail, std::size_t count) {
    if (count >= text.capacity - text.length) {
        text.overflow = true;
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) text.data[text.length + i] = tail[i];
    text.length += count;
    text.data[text.length] = '\0';
    return true;
}

bool TextAppend(TextBuffer& text, const char* tail) {
    return TextAppendCount(text, tail, TextLength(tail));
}

bool TextAppendChar(TextBuffer& text, char c) { return TextAppendCount(text, &c, 1); }

bool TextAppendDecimal(TextBuffer& text, unsigned value) {
    char digits[10];
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    char ordered[10];
    for (std::size_t i = 0; i < n; ++i) ordered[i] = digits[n - 1 - i];
    return TextAppendCount(text, ordered, n);
}
