// The built loader files: their length, their imports and their resources (the progress
// dialog's template, the icon, the compressed library, the version block).
#include <windows.h>

#include <lzexpand.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/loader/loader_harness_win.h"

namespace loader_test {
namespace {

struct LoaderFile {
    const char* name;
    std::string path;
    std::string library;  // the DLL it should carry
};

void PrintTo(const LoaderFile& file, std::ostream* os) { *os << file.name; }

std::vector<LoaderFile> Loaders() {
    std::vector<LoaderFile> loaders = {{"bootstrap_fake", FakeLoaderPath(), WinePath(KVR_FAKE_LIBRARY)}};
    if (std::strlen(KVR_REAL_LOADER) > 0) loaders.push_back({"bootstrap", RealLoaderPath(), WinePath(KVR_REAL_LIBRARY)});
    return loaders;
}

std::uint32_t U32(const std::string& b, size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
std::uint16_t U16(const std::string& b, size_t at) {
    std::uint16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

// Names of the DLLs in a PE file's import directory, upper-cased.
std::set<std::string> ImportedLibraries(const std::string& image) {
    std::set<std::string> names;
    const size_t pe = U32(image, 0x3c);
    const size_t sections = U16(image, pe + 6);
    const size_t optional_size = U16(image, pe + 20);
    const size_t optional = pe + 24;
    const std::uint32_t import_rva = U32(image, optional + 104);  // data directory 1, PE32
    const size_t section_table = optional + optional_size;
    auto offset_of = [&](std::uint32_t rva) -> size_t {
        for (size_t i = 0; i < sections; ++i) {
            const size_t s = section_table + i * 40;
            const std::uint32_t va = U32(image, s + 12), size = U32(image, s + 8), raw = U32(image, s + 20);
            if (rva >= va && rva < va + size) return raw + (rva - va);
        }
        return 0;
    };
    for (size_t d = offset_of(import_rva); d && U32(image, d + 12) != 0; d += 20) {
        std::string name = image.c_str() + offset_of(U32(image, d + 12));
        for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        names.insert(name);
    }
    return names;
}

// Reads a dialog template as the dialog manager does.
struct TemplateReader {
    const std::uint8_t* p;
    std::uint16_t Word() {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        p += 2;
        return v;
    }
    std::uint32_t Dword() { return Word() | static_cast<std::uint32_t>(Word()) << 16; }
    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
    // A string, or an ordinal written as "#<number>".
    std::string StringOrOrdinal() {
        if (std::memcmp(p, "\xff\xff", 2) == 0) {
            p += 2;
            return "#" + std::to_string(Word());
        }
        std::string text;
        for (std::uint16_t c; (c = Word()) != 0;) text += static_cast<char>(c);
        return text;
    }
    void AlignDword(const std::uint8_t* base) {
        while ((p - base) % 4) ++p;
    }
};

struct Item {
    std::uint32_t style;
    int x, y, cx, cy, id;
    std::string cls, text;
    bool operator==(const Item&) const = default;
};

void PrintTo(const Item& i, std::ostream* os) {
    *os << "{id " << i.id << " " << i.cls << " \"" << i.text << "\" style 0x" << std::hex << i.style << std::dec
        << " at " << i.x << "," << i.y << " size " << i.cx << "x" << i.cy << "}";
}

class LoaderResourceTest : public testing::TestWithParam<LoaderFile> {
protected:
    void SetUp() override {
        module_ = LoadLibraryExA(GetParam().path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << GetParam().path;
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    std::string Resource(const char* name, const char* type) {
        HRSRC info = FindResourceA(module_, name, type);
        if (!info) return {};
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(module_, info)));
        return std::string(bytes, SizeofResource(module_, info));
    }
    HMODULE module_ = nullptr;
};

TEST_P(LoaderResourceTest, IsExactlyAsLongAsThePackageOffsetAndImportsOnlyKnownSystemLibraries) {
    const std::string image = ReadFileBytes(GetParam().path);
    EXPECT_EQ(image.size(), 90624u);
    EXPECT_THAT(ImportedLibraries(image), testing::ElementsAre("KERNEL32.DLL", "USER32.DLL"));
}

TEST_P(LoaderResourceTest, ProgressDialogTemplateIsLaidOutAsDesigned) {
    const std::string resource = Resource(MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(5));  // RT_DIALOG
    ASSERT_FALSE(resource.empty());
    const auto* base = reinterpret_cast<const std::uint8_t*>(resource.data());
    TemplateReader r{base};
    const std::uint32_t style = r.Dword();
    EXPECT_EQ(style, static_cast<std::uint32_t>(WS_POPUP | WS_VISIBLE | DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND |
                                                DS_SETFONT));
    EXPECT_EQ(style & WS_CAPTION, 0u);
    EXPECT_EQ(r.Dword(), 0u);  // extended style
    const int count = r.Word();
    EXPECT_EQ(r.Short(), 7);
    EXPECT_EQ(r.Short(), 20);
    EXPECT_EQ(r.Short(), 195);
    EXPECT_EQ(r.Short(), 74);
    EXPECT_EQ(r.StringOrOrdinal(), "");  // menu
    EXPECT_EQ(r.StringOrOrdinal(), "");  // class
    EXPECT_EQ(r.StringOrOrdinal(), "");  // caption
    EXPECT_EQ(r.Word(), 8);
    EXPECT_EQ(r.StringOrOrdinal(), "Helv");

    std::vector<Item> items;
    for (int i = 0; i < count; ++i) {
        r.AlignDword(base);
        Item item;
        item.style = r.Dword();
        r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = r.Word();
        item.cls = r.StringOrOrdinal();
        for (char& c : item.cls) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));  // as the system compares
        item.text = r.StringOrOrdinal();
        r.p += r.Word();  // creation data
        items.push_back(item);
    }
    const std::uint32_t child = WS_CHILD | WS_VISIBLE;
    EXPECT_THAT(items,
                testing::ElementsAre(
                    Item{child | WS_TABSTOP | BS_PUSHBUTTON, 77, 53, 40, 14, 2, "#128", "Cancel"},
                    Item{child | WS_CLIPSIBLINGS, 17, 41, 162, 11, 123, "msctls_progress32", ""},
                    Item{child | WS_GROUP | SS_CENTER, 44, 12, 135, 22, 102, "#130",
                         "Setup is preparing the Varnel installation tool. Please wait..."},
                    Item{child | SS_ICON, 17, 10, 21, 20, 101, "#130", "MAINICON"}));
}

TEST_P(LoaderResourceTest, CarriesItsIconAndTheLibraryInLzForm) {
    EXPECT_FALSE(Resource("MAINICON", MAKEINTRESOURCEA(14)).empty());  // RT_GROUP_ICON
    const std::string compressed = Resource("DECOMP32", MAKEINTRESOURCEA(10));  // RT_RCDATA
    ASSERT_GT(compressed.size(), 14u);
    EXPECT_EQ(compressed.substr(0, 8), std::string("SZDD\x88\xf0\x27\x33", 8));

    // Windows' LZ services give back the library byte for byte.
    const std::string scratch = ScratchFolder() + "\\";
    WriteFileBytes(scratch + "library.dl_", compressed);
    HANDLE in = CreateFileA((scratch + "library.dl_").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
    HANDLE out = CreateFileA((scratch + "library.dll").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(in, INVALID_HANDLE_VALUE);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    const INT source = LZInit(static_cast<INT>(reinterpret_cast<INT_PTR>(in)));
    ASSERT_GE(source, 0x400);  // an LZ handle: the data is compressed
    EXPECT_GT(LZCopy(source, static_cast<INT>(reinterpret_cast<INT_PTR>(out))), 0);
    LZClose(source);
    CloseHandle(out);
    const std::string expanded = ReadFileBytes(scratch + "library.dll");
    EXPECT_EQ(expanded, ReadFileBytes(GetParam().library));
    EXPECT_EQ(expanded.substr(0, 2), "MZ");
}

TEST_P(LoaderResourceTest, VersionBlockNamesTheLoader) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(GetParam().path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(GetParam().path.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010009u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
    const auto text = [&](const char* name) {
        char* value = nullptr;
        UINT n = 0;
        const std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
        return VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &n) ? std::string(value)
                                                                                                : std::string("<none>");
    };
    EXPECT_EQ(text("FileDescription"), "Varnel self-extracting setup loader");
    EXPECT_EQ(text("FileVersion"), "2.0.1.9");
    EXPECT_EQ(text("ProductVersion"), "2.0.0.0");
}

INSTANTIATE_TEST_SUITE_P(Loaders, LoaderResourceTest, testing::ValuesIn(Loaders()),
                         [](const testing::TestParamInfo<LoaderFile>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace loader_test
