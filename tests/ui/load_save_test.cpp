// Load, Save and Exit on the real window, start-up with its remembered folder, the real
// common dialog, and the program started with a file on its command line.
#include <algorithm>

#include "editor_fixture.h"
#include "editor/ui/folder_lists_win.h"

using namespace kvr;
using namespace kvr::test;
using namespace kvr::ui;

namespace {

ObjectTable table_a() {
    ObjectTable table;
    table.object(0, 0) = {5, 10, 100, 120, true};
    table.object(0, 1) = {17, 20, 30, 40, true};
    table.object(0, 5) = {58, 128, 40, 200, true};
    table.object(4, 1) = {11, 1, 2, 3, true};
    table.object(4, 5) = {12, 4, 5, 6, true};
    table.object(4, 63) = {13, 7, 8, 9, true};
    table.object(58, 63) = {72, 255, 255, 255, true};
    for (int t = 0; t < 59; ++t) {
        table.tile(t).object_count = static_cast<std::uint8_t>(
            std::count_if(table.tile(t).objects.begin(), table.tile(t).objects.end(), [](auto& r) { return r.in_use; }));
    }
    return table;
}

ObjectTable table_b() {
    ObjectTable table;
    table.object(0, 0) = {41, 0, 10, 10, true};
    table.object(7, 2) = {3, 3, 3, 3, true};
    return table;
}

// The table a load of `image` gives.
ObjectTable parsed(const std::vector<std::uint8_t>& image) {
    ObjectTable table;
    std::string reason;
    EXPECT_TRUE(parse_file_image(image.data(), image.size(), table, reason)) << reason;
    return table;
}

std::vector<std::uint8_t> bytes_of(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(read_file(path, bytes)) << path;
    return bytes;
}

std::string text_of(const std::string& path) {
    const auto bytes = bytes_of(path);
    return std::string(bytes.begin(), bytes.end());
}

// Answers each file dialog in turn and keeps the requests.
struct DialogAnswers {
    explicit DialogAnswers(std::vector<std::string> names) : names_(std::move(names)) {
        SetFileDialogAnswerer([this](const FileDialogRequest& request) {
            asked.push_back(request);
            return asked.size() <= names_.size() ? names_[asked.size() - 1] : std::string();
        });
    }
    ~DialogAnswers() { SetFileDialogAnswerer({}); }
    std::vector<FileDialogRequest> asked;
    std::vector<std::string> titles() const {
        std::vector<std::string> out;
        for (const auto& r : asked) out.push_back(r.title);
        return out;
    }

private:
    std::vector<std::string> names_;
};

using LoadSave = EditorTest;

}  // namespace

TEST_F(LoadSave, FirstLoadAsksNoQuestionAndUsesTheLoadDialog) {
    ASSERT_TRUE(write_file(data_path_, file_image(table_a())));
    MessageBoxAnswers boxes(IDCANCEL);
    DialogAnswers dialogs({data_path_});
    click(IDC_CMD_LOAD);
    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    const FileDialogRequest& r = dialogs.asked[0];
    EXPECT_EQ(r.kind, FileDialogKind::Open);
    EXPECT_EQ(r.title, "Load File");
    EXPECT_EQ(r.filter, "KVR_ZPL.DAT|kvr_zpl*.dat");
    EXPECT_EQ(r.file_name, "KVR_ZPL.dat");
    EXPECT_EQ(r.default_extension, "dat");
    EXPECT_TRUE(EditorFileLoaded());
    EXPECT_EQ(EditorTable(), parsed(file_image(table_a())));
    EXPECT_EQ(common_dialog_filter(r.filter), std::string("KVR_ZPL.DAT\0kvr_zpl*.dat\0\0", 26));
}

TEST_F(LoadSave, LaterLoadsAskTheSaveQuestion) {
    const std::string b_path = folder_ + "\\kvr_zpl_b.dat";
    ASSERT_TRUE(write_file(b_path, file_image(table_b())));
    load(table_a());
    const ObjectTable loaded_a = EditorTable();

    {  // Cancel: no dialog at all, nothing changes.
        MessageBoxAnswers boxes(IDCANCEL);
        DialogAnswers dialogs({b_path});
        click(IDC_CMD_LOAD);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        const SeenBox& q = boxes.boxes[0];
        EXPECT_EQ(q.text, "Do you wish to save this file?");
        EXPECT_EQ(q.title, "KVR_ZPL");
        EXPECT_TRUE(q.has_yes && q.has_no && q.has_cancel);
        EXPECT_FALSE(q.has_ok);
        EXPECT_EQ(q.default_id, IDYES);
        EXPECT_TRUE(q.stop_icon);
        EXPECT_TRUE(dialogs.asked.empty());
        EXPECT_EQ(EditorTable(), loaded_a);
    }
    {  // No: straight to the load dialog, also when nothing was edited.
        MessageBoxAnswers boxes(IDNO);
        DialogAnswers dialogs({b_path});
        click(IDC_CMD_LOAD);
        EXPECT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(dialogs.titles(), (std::vector<std::string>{"Load File"}));
        EXPECT_EQ(EditorTable(), parsed(file_image(table_b())));
        // The dialog starts with the name chosen last.
        EXPECT_EQ(dialogs.asked[0].file_name, data_path_);
    }
    {  // Yes: the save dialog and the save first, then the load dialog.
        const std::string saved = folder_ + "\\saved.dat";
        MessageBoxAnswers boxes(IDYES);
        DialogAnswers dialogs({saved, data_path_});
        click(IDC_CMD_LOAD);
        EXPECT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(dialogs.titles(), (std::vector<std::string>{"Save As", "Load File"}));
        EXPECT_EQ(dialogs.asked[0].kind, FileDialogKind::Save);
        EXPECT_EQ(dialogs.asked[0].filter, "KVR_ZPL.DAT|kvr_zpl*.dat");
        ObjectTable b = parsed(file_image(table_b()));
        EXPECT_EQ(bytes_of(saved), build_save_image(b));
        EXPECT_EQ(EditorTable(), loaded_a);
    }
}

TEST_F(LoadSave, CancelledLoadDialogChangesNothing) {
    load(table_a());
    choose_tile(4);
    mouse_up_on_marker(1, WM_RBUTTONUP);
    const ObjectTable before = EditorTable();
    MessageBoxAnswers boxes(IDNO);
    DialogAnswers dialogs({""});
    click(IDC_CMD_LOAD);
    EXPECT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(EditorTable(), before);
    EXPECT_EQ(list_selection(IDC_CBO_TILE), 4);
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 1);
    EXPECT_TRUE(EditorFileLoaded());
}

TEST_F(LoadSave, LoadReturnsToTileZeroObjectZero) {
    load(table_a());
    choose_tile(4);
    mouse_up_on_marker(5, WM_RBUTTONUP);
    ASSERT_EQ(spin_value(IDC_UPD_CURROBJECT), 5);
    MessageBoxAnswers boxes(IDNO);
    load(table_b(), folder_ + "\\kvr_zpl_b.dat");
    EXPECT_EQ(list_selection(IDC_CBO_TILE), 0);
    EXPECT_EQ(text(IDC_TXT_CURROBJECT), "0");
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 0);
    EXPECT_EQ(list_selection(IDC_CBO_OBJECTTYPE), 41);
    EXPECT_EQ(marker_size(0), 10);
    EXPECT_EQ(marker_size(5), 4);
}

TEST_F(LoadSave, ReloadFromAnotherSlotOfTileZeroKeepsTheFile) {
    // Loading while slot 5 of tile 0 is the current object must not write slot 0's type and
    // in-use flag into slot 5 on the way (Show_Object's handlers act on the current object).
    load(table_a());
    mouse_up_on_marker(5, WM_RBUTTONUP);
    ASSERT_EQ(spin_value(IDC_UPD_CURROBJECT), 5);
    MessageBoxAnswers boxes(IDNO);
    load_file_by_command(data_path_);
    EXPECT_EQ(EditorTable(), parsed(file_image(table_a())));
    EXPECT_EQ(EditorTable().object(0, 5).type, 58);
}

TEST_F(LoadSave, UnreadableFileIsReportedAndChangesNothing) {
    const std::string short_path = folder_ + "\\kvr_zpl_short.dat";
    ASSERT_TRUE(write_file(short_path, std::vector<std::uint8_t>(1000, 7)));
    {
        MessageBoxAnswers boxes(IDOK);
        load_file_by_command(short_path);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find(short_path), std::string::npos) << boxes.boxes[0].text;
        EXPECT_NE(boxes.boxes[0].text.find("1000 bytes"), std::string::npos) << boxes.boxes[0].text;
        EXPECT_TRUE(boxes.boxes[0].stop_icon);
    }
    EXPECT_FALSE(EditorFileLoaded());
    EXPECT_FALSE(IsWindowEnabled(item(IDC_CMD_SAVE)));
    EXPECT_FALSE(IsWindowVisible(item(IDC_IMG_PCXFILE)));
    EXPECT_EQ(EditorTable(), ObjectTable{});

    load(table_a());
    choose_tile(4);
    const ObjectTable before = EditorTable();
    {
        MessageBoxAnswers boxes({IDNO, IDOK});
        load_file_by_command(folder_ + "\\missing.dat");
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_NE(boxes.boxes[1].text.find("cannot be opened"), std::string::npos) << boxes.boxes[1].text;
    }
    EXPECT_EQ(EditorTable(), before);
    EXPECT_EQ(list_selection(IDC_CBO_TILE), 4);
}

TEST_F(LoadSave, SaveWritesThePackedFileAndReadsItBack) {
    load(table_a());
    // Edits through the window: slot 1 of tile 0 taken out of use; slot 9 (empty) put in use.
    mouse_up_on_marker(1, WM_RBUTTONUP);
    click(IDC_CHK_INUSE);
    mouse_up_on_marker(9, WM_RBUTTONUP);
    click(IDC_CHK_INUSE);
    ASSERT_TRUE(EditorTable().object(0, 9).in_use);
    choose_tile(4);
    mouse_up_on_marker(63, WM_RBUTTONUP);
    choose_type(70);

    const std::string saved = folder_ + "\\kvr_zpl_saved.dat";
    MessageBoxAnswers boxes(IDOK);
    DialogAnswers dialogs({saved});
    click(IDC_CMD_SAVE);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(dialogs.titles(), (std::vector<std::string>{"Save As"}));
    EXPECT_EQ(dialogs.asked[0].default_extension, "dat");

    const std::vector<std::uint8_t> file = bytes_of(saved);
    ASSERT_EQ(file.size(), 303260u);
    auto at = [&](int tile, size_t offset) { return file[static_cast<size_t>(tile) * 5140 + offset]; };
    // Tile 0: slots 0, 5 and the all-zero slot 9 (slot 1 dropped): count 3.
    EXPECT_EQ(at(0, 16), 3);
    EXPECT_EQ(at(0, 20 + 0), 5);
    EXPECT_EQ(at(0, 20 + 80 + 0), 58);
    EXPECT_EQ(at(0, 20 + 80 + 3), 128);
    EXPECT_EQ(at(0, 20 + 80 + 4), 40);
    EXPECT_EQ(at(0, 20 + 80 + 8), 200);
    for (size_t i = 0; i < 80; ++i) EXPECT_EQ(at(0, 20 + 160 + i), 0) << i;
    // Tile 4: slots 1, 5 and 63 become entries 0 to 2; 63's type was changed to 70.
    EXPECT_EQ(at(4, 16), 3);
    EXPECT_EQ(at(4, 20), 11);
    EXPECT_EQ(at(4, 20 + 80), 12);
    EXPECT_EQ(at(4, 20 + 160), 70);
    EXPECT_EQ(at(4, 20 + 160 + 8), 9);
    // Everything else in the tile blocks is zero.
    size_t non_zero = 0;
    for (std::uint8_t byte : file) non_zero += byte != 0;
    EXPECT_EQ(non_zero, 3u + 2 * 4 + 3 * 4 + 4);  // three counts, tile 0, tile 4, tile 58

    // The read-back: slots shifted down, the all-zero object no longer in use, tile 0 shown.
    EXPECT_EQ(EditorTable(), parsed(file));
    EXPECT_EQ(EditorTable().object(4, 2).type, 70);
    EXPECT_FALSE(EditorTable().object(4, 63).in_use);
    EXPECT_FALSE(EditorTable().object(0, 2).in_use);
    EXPECT_EQ(EditorTable().object(0, 1).type, 58);
    EXPECT_EQ(list_selection(IDC_CBO_TILE), 0);
    EXPECT_EQ(text(IDC_TXT_CURROBJECT), "0");
    EXPECT_EQ(spin_value(IDC_UPD_CURROBJECT), 0);
}

TEST_F(LoadSave, SavingAPackedFileReproducesItByteForByte) {
    ObjectTable packed = table_a();
    const std::vector<std::uint8_t> original = build_save_image(packed);
    ASSERT_TRUE(write_file(data_path_, original));
    load_file_by_command(data_path_);
    mouse_up_on_marker(2, WM_RBUTTONUP);  // any view: the save does not depend on it
    {
        DialogAnswers dialogs({folder_ + "\\copy.dat"});
        click(IDC_CMD_SAVE);
    }
    EXPECT_EQ(bytes_of(folder_ + "\\copy.dat"), original);
    {  // Over the file itself.
        DialogAnswers dialogs({data_path_});
        click(IDC_CMD_SAVE);
    }
    EXPECT_EQ(bytes_of(data_path_), original);
    // No temporary file is left behind.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder_ + "\\*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(LoadSave, SaveFromSlotFiveOfTileZeroReadsBackWhatItWrote) {
    ObjectTable packed = table_a();
    ASSERT_TRUE(write_file(data_path_, build_save_image(packed)));
    load_file_by_command(data_path_);
    mouse_up_on_marker(2, WM_RBUTTONUP);  // slot 2 of the packed tile 0 (the former slot 5)
    ASSERT_EQ(spin_value(IDC_UPD_CURROBJECT), 2);
    const std::string saved = folder_ + "\\again.dat";
    DialogAnswers dialogs({saved});
    click(IDC_CMD_SAVE);
    const auto file = bytes_of(saved);
    EXPECT_EQ(EditorTable(), parsed(file));
    EXPECT_EQ(EditorTable().object(0, 2).type, 58);
}

TEST_F(LoadSave, FailedSaveLeavesTheOldFileAndTheTable) {
    load(table_a());
    choose_type(33);
    const ObjectTable before = EditorTable();
    const std::vector<std::uint8_t> old_bytes = {'o', 'l', 'd'};

    const std::string read_only = folder_ + "\\kvr_zpl_ro.dat";
    ASSERT_TRUE(write_file(read_only, old_bytes));
    ASSERT_TRUE(SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY));
    {
        MessageBoxAnswers boxes(IDOK);
        DialogAnswers dialogs({read_only});
        click(IDC_CMD_SAVE);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find(read_only), std::string::npos) << boxes.boxes[0].text;
        EXPECT_NE(boxes.boxes[0].text.find("read-only"), std::string::npos) << boxes.boxes[0].text;
        EXPECT_TRUE(boxes.boxes[0].stop_icon);
    }
    EXPECT_EQ(bytes_of(read_only), old_bytes);
    EXPECT_EQ(EditorTable(), before);
    EXPECT_EQ(list_selection(IDC_CBO_OBJECTTYPE), 33);

    const std::string nowhere = folder_ + "\\no such folder\\kvr_zpl.dat";
    {
        MessageBoxAnswers boxes(IDOK);
        DialogAnswers dialogs({nowhere});
        click(IDC_CMD_SAVE);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find(nowhere), std::string::npos) << boxes.boxes[0].text;
    }
    EXPECT_FALSE(file_exists(nowhere));
    EXPECT_EQ(EditorTable(), before);

    // Yes in the save question with a save that fails: the load does not go on over the edits.
    {
        MessageBoxAnswers boxes({IDYES, IDOK});
        DialogAnswers dialogs({read_only, data_path_});
        click(IDC_CMD_LOAD);
        EXPECT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(dialogs.titles(), (std::vector<std::string>{"Save As"}));
    }
    EXPECT_EQ(EditorTable(), before);
    SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(LoadSave, CancelledSaveDialogWritesNothing) {
    load(table_a());
    const auto before_bytes = bytes_of(data_path_);
    MessageBoxAnswers boxes(IDOK);
    DialogAnswers dialogs({""});
    click(IDC_CMD_SAVE);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(bytes_of(data_path_), before_bytes);
    EXPECT_EQ(EditorTable(), parsed(before_bytes));
}

TEST_F(LoadSave, ExitRemembersThePictureFolderWithoutAQuestion) {
    load(table_a());
    choose_type(40);  // an unsaved edit: still no question
    HWND dir = item(IDC_DIR_PCX);
    ASSERT_TRUE(DirList_SetPath(dir, folder_));
    const std::string shown = DirList_GetPath(dir);
    MessageBoxAnswers boxes(IDOK);
    click(IDC_CMD_EXIT);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(MainWindow(), nullptr);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(text_of(folder_ + "\\pcxdir.txt"), "\"" + shown + "\"\r\n");
    EXPECT_EQ(lstrcmpiA(shown.c_str(), folder_.c_str()), 0);
    // The program ends: its message loop gets WM_QUIT.
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// --- start-up --------------------------------------------------------------------------------

using StartUp = EditorTest;

TEST_F(StartUp, RemembersTheFolderOfPcxDir) {
    EXPECT_EQ(lstrcmpiA(DirList_GetPath(item(IDC_DIR_PCX)).c_str(), tiles_.c_str()), 0)
        << DirList_GetPath(item(IDC_DIR_PCX));
    // Unquoted, after blanks, up to a comma: the same folder.
    DestroyWindow(window_);
    drop_quit_message();
    ASSERT_TRUE(write_file(folder_ + "\\pcxdir.txt",
                           [&] {
                               const std::string line = "   " + folder_ + ",ignored\r\n";
                               return std::vector<std::uint8_t>(line.begin(), line.end());
                           }()));
    create_window();
    EXPECT_EQ(lstrcmpiA(DirList_GetPath(item(IDC_DIR_PCX)).c_str(), folder_.c_str()), 0);
    // Nothing else happened: no file, nothing enabled, the picture hidden.
    EXPECT_FALSE(EditorFileLoaded());
    EXPECT_FALSE(IsWindowVisible(item(IDC_IMG_PCXFILE)));
    EXPECT_FALSE(IsWindowEnabled(item(IDC_CBO_TILE)));
}

TEST_F(StartUp, FallsBackToTheDriveRoot) {
    const std::string root = DriveList_GetDrive(item(IDC_DRV_PCX)) + "\\";
    ASSERT_EQ(root.size(), 3u);
    struct Case {
        const char* what;
        std::string content;  // empty: no file at all
    } cases[] = {
        {"missing", ""},
        {"stale", "\"" + folder_ + "\\gone\"\r\n"},
        {"empty field", "\"\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DestroyWindow(window_);
        drop_quit_message();
        DeleteFileA((folder_ + "\\pcxdir.txt").c_str());
        if (!c.content.empty()) {
            ASSERT_TRUE(write_file(folder_ + "\\pcxdir.txt", std::vector<std::uint8_t>(c.content.begin(), c.content.end())));
        }
        MessageBoxAnswers boxes(IDOK);
        create_window();
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_EQ(lstrcmpiA(DirList_GetPath(item(IDC_DIR_PCX)).c_str(), root.c_str()), 0)
            << DirList_GetPath(item(IDC_DIR_PCX));
    }
}

// --- the real common dialog ----------------------------------------------------------------

TEST_F(LoadSave, RealOpenDialogLoadsTheChosenFile) {
    ASSERT_TRUE(write_file(data_path_, file_image(table_a())));
    std::string title, initial_name, filter_shown;
    ModalAnswerer answer([&](HWND dialog) {
        char buffer[MAX_PATH] = {};
        GetWindowTextA(dialog, buffer, sizeof buffer);
        title = buffer;
        GetDlgItemTextA(dialog, 0x47c, buffer, sizeof buffer);  // the file name box
        initial_name = buffer;
        GetDlgItemTextA(dialog, 0x470, buffer, sizeof buffer);  // the file type list
        filter_shown = buffer;
        SetDlgItemTextA(dialog, 0x47c, data_path_.c_str());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    click(IDC_CMD_LOAD);
    EXPECT_EQ(answer.seen(), 1);
    EXPECT_EQ(title, "Load File");
    EXPECT_EQ(initial_name, "KVR_ZPL.dat");
    EXPECT_EQ(filter_shown, "KVR_ZPL.DAT");
    EXPECT_TRUE(EditorFileLoaded());
    EXPECT_EQ(EditorTable(), parsed(file_image(table_a())));
}

// --- KVR_ZPL.exe FILE ------------------------------------------------------------------------

namespace {

struct FoundWindow {
    DWORD process;
    HWND window;
};

BOOL CALLBACK find_editor(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<FoundWindow*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (process == found->process && std::string(name) == kMainWindowClass) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

TEST(ProgramStart, LoadsTheFileOnItsCommandLine) {
    const std::string folder = fresh_folder("ProgramStart");
    const std::string tiles = folder + "\\tiles";
    CreateDirectoryA(tiles.c_str(), nullptr);
    for (int t = 0; t < 59; ++t) ASSERT_TRUE(write_file(tiles + "\\" + tile_picture_file_name(t), tile_picture(t)));
    ASSERT_TRUE(write_pcxdir_file(folder + "\\pcxdir.txt", tiles));
    ASSERT_TRUE(write_file(folder + "\\KVR_ZPL.DAT", file_image(table_a())));
    const std::string exe = folder + "\\KVR_ZPL.exe";
    ASSERT_TRUE(CopyFileA(wine_path(KVR_BINARY_DIR "/editor/ui/KVR_ZPL.exe").c_str(), exe.c_str(), FALSE));

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + exe + "\" KVR_ZPL.DAT";
    ASSERT_TRUE(CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                               &startup, &process));
    FoundWindow found = {process.dwProcessId, nullptr};
    HWND tile_list = nullptr;
    for (int i = 0; i < 300; ++i) {
        if (!found.window) EnumWindows(find_editor, reinterpret_cast<LPARAM>(&found));
        if (found.window) {
            tile_list = GetDlgItem(found.window, IDC_CBO_TILE);
            if (tile_list && SendMessageA(tile_list, CB_GETCURSEL, 0, 0) == 0) break;
        }
        Sleep(50);
    }
    if (!found.window) TerminateProcess(process.hProcess, 1);
    ASSERT_NE(found.window, nullptr);
    EXPECT_EQ(SendMessageA(tile_list, CB_GETCURSEL, 0, 0), 0);
    // Tile 0 with its markers: slot 1 at (8 + 60 - 2, 8 + 80 - 2), slot 0 selected.
    const RECT slot1 = child_rect(GetDlgItem(found.window, IDC_OBJECT0 + 1));
    EXPECT_EQ(slot1.left, 66);
    EXPECT_EQ(slot1.top, 86);
    const RECT slot0 = child_rect(GetDlgItem(found.window, IDC_OBJECT0));
    EXPECT_EQ(slot0.right - slot0.left, 10);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(found.window, IDC_IMG_PCXFILE)));
    char shown[16] = {};
    SendMessageA(GetDlgItem(found.window, IDC_TXT_CURROBJECT), WM_GETTEXT, sizeof shown,
                 reinterpret_cast<LPARAM>(shown));
    EXPECT_STREQ(shown, "0");

    // Closing the window ends the program, which remembers its picture folder.
    DeleteFileA((folder + "\\pcxdir.txt").c_str());
    PostMessageA(found.window, WM_CLOSE, 0, 0);
    const DWORD waited = WaitForSingleObject(process.hProcess, 20000);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const auto remembered = text_of(folder + "\\pcxdir.txt");
    EXPECT_EQ(remembered.substr(remembered.size() - 2), "\r\n");
    EXPECT_EQ(lstrcmpiA(remembered.c_str(), ("\"" + tiles + "\"\r\n").c_str()), 0) << remembered;
}
