#include "setup_loader/long_path.h"

namespace {

constexpr std::size_t kWorkCapacity = 1024;

// Index of the last backslash in the first `length` characters, or -1.
long LastBackslash(const char* text, std::size_t length) {
    for (std::size_t i = length; i > 0; --i)
        if (text[i - 1] == '\\') return static_cast<long>(i - 1);
    return -1;
}

}  // namespace

bool ExpandLongPath(const char* path, FindEntryNameFn find, void* context, TextBuffer& out) {
    char work_storage[kWorkCapacity];
    TextBuffer work = TextOn(work_storage, sizeof work_storage);
    if (!TextAppend(work, path)) return false;

    // Components come off the end of the working copy, so the result grows from the back.
    char reversed[kWorkCapacity];
    std::size_t start = sizeof reversed;
    auto prepend = [&](const char* text, std::size_t count) {
        if (count > start) return false;
        start -= count;
        for (std::size_t i = 0; i < count; ++i) reversed[start + i] = text[i];
        return true;
    };

    for (long cut = LastBackslash(work.data, work.length); cut >= 0;
         cut = LastBackslash(work.data, work.length)) {
        const std::size_t component = static_cast<std::size_t>(cut) + 1;
        char name_storage[kWorkCapacity];
        TextBuffer name = TextOn(name_storage, sizeof name_storage);
        // A path that ends in a backslash names no entry; its empty last part stays empty.
        if (component < work.length && !find(context, work.data, name)) {
            name = TextOn(name_storage, sizeof name_storage);
            TextAppendCount(name, work.data + component, work.length - component);
        }
        if (!prepend(name.data, name.length) || !prepend("\\", 1)) return false;
        work.length = static_cast<std::size_t>(cut);
        work.data[work.length] = '\0';
    }
    if (!prepend(work.data, work.length)) return false;

    const std::size_t before = out.length;
    if (!TextAppendCount(out, reversed + start, sizeof reversed - start)) {
        out.length = before;
        out.data[before] = '\0';
        return false;
    }
    return true;
}

bool TempFolderPrefix(const char* reported, std::size_t reported_length, std::size_t capacity,
                      TextBuffer& out) {
    if (reported_length == 0 || reported_length >= capacity) return true;
    std::size_t keep = reported_length;
    if (reported[keep - 1] == '\\') --keep;
    if (keep == 0) return true;
    // All or nothing: a prefix without its backslash would glue "QZ0" onto the last name.
    if (keep + 1 >= out.capacity - out.length) {
        out.overflow = true;
        return false;
    }
    return TextAppendCount(out, reported, keep) && TextAppendChar(out, '\\');
}
