// "Salva" with the real Save dialog, driven from the test: a CBT hook notes
// every dialog as it activates, and the steps fill in the file name and
// confirm or cancel, as a person would.
#include "app/app.h"
#include "scoped/scoped.h"
#include "tests/gui_harness.h"

#include <commdlg.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr const char* kSaveTitle = "Salvataggio frasi generate";
constexpr const char* kFullDisk = "C:\\blaterix-test\\.full.txt";

// The dialogs with the save caption that have activated, newest last.
std::vector<HWND> Activated;
bool CancelEveryDialog = false;
// The texts of the message boxes among them.
std::vector<std::string> Messages;

HWND NameField(HWND dialog);
std::string MessageOf(HWND box);

LRESULT CALLBACK WatchDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char className[16] = {};
        GetClassNameA(window, className, sizeof className);
        if (std::string(className) == "#32770" && TextOf(window) == kSaveTitle) {
            Activated.push_back(window);
            if (NameField(window) == nullptr) {
                Messages.push_back(MessageOf(window));
            }
            if (CancelEveryDialog) {
                PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The Save dialog's file-name field: a combo box in the explorer-style dialog,
// an edit box in the classic one.
HWND NameField(HWND dialog) {
    HWND field = GetDlgItem(dialog, 1148);
    return field != nullptr ? field : GetDlgItem(dialog, 1152);
}

HWND OpenDialog() {
    for (auto it = Activated.rbegin(); it != Activated.rend(); ++it) {
        if (IsWindow(*it) && IsWindowVisible(*it)) {
            return *it;
        }
    }
    return nullptr;
}

bool IsFileDialog(HWND dialog) {
    return dialog != nullptr && NameField(dialog) != nullptr;
}

// Every text of a message box's children, joined.
std::string MessageOf(HWND box) {
    std::string all;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        all += TextOf(child) + "\n";
    }
    return all;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Steps of one "Salva" through the Save dialog: press, wait for the dialog,
// note what it proposes, type the name (unless empty) and confirm (or cancel).
std::vector<Step> SaveSteps(std::string name, std::string* proposed, bool confirm = true) {
    return {
        Do([] { PostMessageA(Item(Main(), kSaveButton), BM_CLICK, 0, 0); }),
        Until("the Save dialog shows", [] { return IsFileDialog(OpenDialog()); }),
        Do([=] {
            HWND dialog = OpenDialog();
            if (proposed != nullptr) {
                // The dialog shows the file's name in its field and opens
                // the file's folder.
                char folder[MAX_PATH] = {};
                SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(folder));
                const std::string shown = TextOf(NameField(dialog));
                *proposed = folder[0] != '\0' && shown.find('\\') == std::string::npos
                                ? std::string(folder) + "\\" + shown
                                : shown;
            }
            EXPECT_FALSE(IsWindowEnabled(Main()));
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), Main());
            if (!name.empty()) {
                SetWindowTextA(NameField(dialog), name.c_str());
            }
            PostMessageA(dialog, WM_COMMAND, confirm ? IDOK : IDCANCEL, 0);
        }),
        Until("the Save dialog is gone",
              [] { return OpenDialog() == nullptr || !IsFileDialog(OpenDialog()); }),
    };
}

// Steps that wait for the error box, check it and close it.
std::vector<Step> ErrorBoxSteps(std::string path, std::string reason) {
    return {
        Until("an error box shows",
              [] { return OpenDialog() != nullptr && !IsFileDialog(OpenDialog()); }),
        Do([=] {
            HWND box = OpenDialog();
            EXPECT_EQ(GetWindow(box, GW_OWNER), Main());
            const std::string message = MessageOf(box);
            EXPECT_NE(message.find(path), std::string::npos) << message;
            EXPECT_NE(message.find(reason), std::string::npos) << message;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }),
        Until("the error box is gone and the main window enabled",
              [] { return OpenDialog() == nullptr && IsWindowEnabled(Main()); }),
    };
}

std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class SaveTest : public MainWindowTest {
  protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "blaterix-save-" + std::to_string(GetCurrentProcessId()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder.c_str(), nullptr);
        SetSaveFileName("FrasiGenerate.txt");
        Activated.clear();
        Messages.clear();
        CancelEveryDialog = false;
        ASSERT_NE(hook.Get(), nullptr);
    }

    void TearDown() override {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string path = folder + "\\" + found.cFileName;
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }

    std::string Path(const std::string& name) const { return folder + "\\" + name; }

    std::string folder;
    ScopedHook hook = HookThisThread(WH_CBT, WatchDialogs);
};

TEST_F(SaveTest, SavesTheBoxByteForByteAndProposesTheLastPathNext) {
    const std::string first = "abc\r\n", second = "   Perch\xE8 l\xE0, ci\xF2, pi\xF9?\r\n\r\n";
    std::string proposedFirst, proposedSecond, proposedThird;
    RunMainWindow(std::vector<Step>{Do([&] { SetText(kOutputBox, first); })} +
                  SaveSteps(Path("one.txt"), &proposedFirst) + std::vector<Step>{Do([&] {
                      EXPECT_EQ(ReadFile(Path("one.txt")), first);
                      EXPECT_EQ(SaveFileName(), Path("one.txt"));
                      SetText(kOutputBox, second);
                  })} +
                  SaveSteps("", &proposedSecond) +
                  // No extension typed: the dialog adds ".txt".
                  SaveSteps(Path("two"), &proposedThird));
    EXPECT_EQ(proposedFirst.substr(proposedFirst.rfind('\\') + 1), "FrasiGenerate.txt");
    EXPECT_EQ(proposedSecond, Path("one.txt"));
    EXPECT_EQ(proposedThird, Path("one.txt"));
    EXPECT_EQ(ReadFile(Path("one.txt")), second);
    EXPECT_EQ(ReadFile(Path("two.txt")), second);
    EXPECT_EQ(SaveFileName(), Path("two.txt"));
}

TEST_F(SaveTest, GeneratedTextIsSavedAsItStands) {
    std::string shown;
    RunMainWindow(std::vector<Step>{Do([&] {
                      SetText(kCountBox, "7");
                      Click(kGenerateButton);
                      shown = TextOf(Item(Main(), kOutputBox));
                  })} +
                  SaveSteps(Path("frasi.txt"), nullptr));
    EXPECT_EQ(ReadFile(Path("frasi.txt")), shown);
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\n\r\n");
}

TEST_F(SaveTest, CancelChangesNothing) {
    std::string proposed;
    RunMainWindow(std::vector<Step>{Do([] { SetText(kOutputBox, "text"); })} +
                  SaveSteps(Path("never.txt"), &proposed, false));
    EXPECT_EQ(proposed.substr(proposed.rfind('\\') + 1), "FrasiGenerate.txt");
    EXPECT_EQ(SaveFileName(), "FrasiGenerate.txt");
    EXPECT_FALSE(Exists(Path("never.txt")));
}

TEST_F(SaveTest, OnlySpacesShowNoDialogButLineBreaksAreSaved) {
    RunMainWindow(std::vector<Step>{Do([] {
                      CancelEveryDialog = true; // should one appear, the test goes on
                      for (const char* text : {"", " ", "      "}) {
                          SetText(kOutputBox, text);
                          Click(kSaveButton);
                      }
                      EXPECT_TRUE(Activated.empty());
                      CancelEveryDialog = false;
                      SetText(kOutputBox, "\r\n");
                  })} +
                  SaveSteps(Path("crlf.txt"), nullptr));
    EXPECT_EQ(ReadFile(Path("crlf.txt")), "\r\n");
}

TEST_F(SaveTest, ASecondShorterSaveReplacesTheFileWhole) {
    WriteFile(Path("same.txt"), std::string(1000, 'x'));
    RunMainWindow(std::vector<Step>{Do([] { SetText(kOutputBox, "a longer first text"); })} +
                  SaveSteps(Path("same.txt"), nullptr) +
                  std::vector<Step>{Do([] { SetText(kOutputBox, "short"); })} +
                  SaveSteps(Path("same.txt"), nullptr));
    EXPECT_EQ(ReadFile(Path("same.txt")), "short");
}

TEST_F(SaveTest, AHiddenFileThatStaysEndsWhereTheTextEnds) {
    const std::string path = Path("hidden.txt");
    WriteFile(path, std::string(300, 'o'));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    RunMainWindow(std::vector<Step>{Do([] { SetText(kOutputBox, "new bytes"); })} +
                  SaveSteps(path, nullptr));
    EXPECT_EQ(ReadFile(path), "new bytes");
}

TEST_F(SaveTest, AFailedSaveSaysWhyAndKeepsEverything) {
    const std::string missing = Path("no-such-folder") + "\\lost.txt";
    const std::string held = Path("held.txt");
    WriteFile(held, "old contents");
    ScopedHandle holder(CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(holder.Get(), INVALID_HANDLE_VALUE);
    RunMainWindow(std::vector<Step>{Do([] { SetText(kOutputBox, "precious text"); })} +
                  SaveSteps(missing, nullptr) + ErrorBoxSteps(missing, "La cartella non esiste") +
                  std::vector<Step>{Do([&] {
                      EXPECT_EQ(TextOf(Item(Main(), kOutputBox)), "precious text");
                      EXPECT_EQ(SaveFileName(), missing);
                  })} +
                  // Cancelled: the name stays the one that failed, for another try.
                  SaveSteps("", nullptr, false) + SaveSteps(held, nullptr) +
                  ErrorBoxSteps(held, "Accesso negato") +
                  // The test environment links this hidden file to the host's full device.
                  SaveSteps(kFullDisk, nullptr) + ErrorBoxSteps(kFullDisk, "disco \xE8 pieno"));
    holder.Reset();
    EXPECT_EQ(SaveFileName(), kFullDisk);
    EXPECT_EQ(ReadFile(held), "old contents");
}

TEST_F(SaveTest, AFileHeldWithDeleteSharingIsNotReportedSavedWhenItIsAboutToVanish) {
    // The other program lets others delete the file: the delete step only dooms it, and it
    // disappears when that program closes it.
    const std::string path = Path("shared.txt");
    WriteFile(path, "old contents");
    ScopedHandle holder(CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(holder.Get(), INVALID_HANDLE_VALUE);
    RunMainWindow(std::vector<Step>{Do([] { SetText(kOutputBox, "new text"); })} +
                  SaveSteps(path, nullptr) + ErrorBoxSteps(path, "in uso da un altro programma") +
                  std::vector<Step>{Do([&] {
                      EXPECT_EQ(TextOf(Item(Main(), kOutputBox)), "new text");
                      holder.Reset();
                      // Nothing was written into the doomed file.
                      EXPECT_TRUE(!Exists(path) || ReadFile(path) == "old contents");
                  })} +
                  // Once the other program has let go, the same save goes through.
                  SaveSteps("", nullptr));
    holder.Reset();
    EXPECT_EQ(ReadFile(path), "new text");
    EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(SaveTest, DeviceNamesAreWrittenToOrRefusedByName) {
    // CON cannot be opened by a program without a console: a refused name, like any other.
    // NUL takes the text: the save succeeds and says nothing.
    const std::string console = Path("CON.txt"), null = Path("NUL.txt");
    RunMainWindow(std::vector<Step>{Do([] { SetText(kOutputBox, "to a device"); })} +
                  SaveSteps(console, nullptr) +
                  ErrorBoxSteps(console, "Il nome del file non \xE8 valido") +
                  SaveSteps(null, nullptr));
    EXPECT_EQ(SaveFileName(), null);
    ASSERT_EQ(Messages.size(), 1u) << Messages.back();
}

TEST_F(SaveTest, RepeatedDialogsOpenAndCloseCleanly) {
    std::vector<Step> steps{Do([] { SetText(kOutputBox, "x"); })};
    for (int i = 0; i < 10; ++i) {
        steps = steps + SaveSteps("", nullptr, false);
    }
    RunMainWindow(steps);
    EXPECT_EQ(Activated.size(), 10u);
}

} // namespace
