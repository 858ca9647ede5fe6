#include "fileio/fileio.h"
#include "scoped/scoped.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

// ---- Files on disk, made and read with plain Windows calls ----------------------------------

void MakeFile(const std::string& path, std::string_view bytes,
              DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(file.Get(), INVALID_HANDLE_VALUE) << path << ": error " << GetLastError();
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    file.Reset();
    ASSERT_TRUE(ok && written == bytes.size()) << path;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
}

void MakeFolder(const std::string& path) {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path << ": error " << GetLastError();
}

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> FileBytes(const std::string& path) {
    const ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string bytes;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) {
        bytes.append(chunk, read);
    }
    return bytes;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Every entry under folder, hidden and system ones included, as sorted relative paths.
void ListInto(const std::string& folder, const std::string& prefix,
              std::vector<std::string>& names) {
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        names.push_back(prefix + name);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            ListInto(folder + "\\" + name, prefix + name + "\\", names);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    ListInto(folder, "", names);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            const std::string path = folder + "\\" + name;
            if (name == "." || name == "..") {
                continue;
            }
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// Each test works in a fresh folder of its own under the temporary directory.
class FileIoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathA(MAX_PATH, temp);
        ASSERT_GT(length, 0u);
        static int serial = 0;
        folder_ = std::string(temp, length) + "blaterix-fileio-" +
                  std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
        MakeFolder(folder_);
    }

    void TearDown() override {
        // A test that stopped early may have left files open under the numbers it uses.
        PendingError ignored;
        for (int number = 0; number <= 64; ++number) {
            CloseFile(ignored, static_cast<int16_t>(number));
        }
        for (int number = 32760; number <= 32767; ++number) {
            CloseFile(ignored, static_cast<int16_t>(number));
        }
        RemoveTree(folder_);
        EXPECT_FALSE(Exists(folder_)) << "left behind: " << folder_;
    }

    std::string Path(std::string_view name) const { return folder_ + "\\" + std::string(name); }

    std::string folder_;
};

// Opens path under number, writes each text and closes it; returns the pending error.
uint8_t WriteWhole(int16_t number, const std::string& path, const std::vector<std::string>& texts) {
    PendingError pending;
    OpenForWriting(pending, number, path);
    if (PeekError(pending) != kNoError) {
        return TakeError(pending);
    }
    for (const std::string& text : texts) {
        WriteText(pending, number, text);
    }
    CloseFile(pending, number);
    return TakeError(pending);
}

// True when nothing is open under number: writing through it is refused with kBadFileNumber.
bool IsFree(int16_t number) {
    PendingError pending;
    WriteText(pending, number, "x");
    return PeekError(pending) == kBadFileNumber;
}

// ---- File numbers --------------------------------------------------------------------------

TEST_F(FileIoTest, NumbersRunOnOverTheRunAndAreNotReserved) {
    SetFileNumberCounterForTests(0);
    EXPECT_EQ(NextFileNumber(), 1);
    ASSERT_EQ(WriteWhole(1, Path("first.txt"), {"a"}), kNoError);
    // Closed again, 1 is free, yet the count goes on.
    EXPECT_EQ(NextFileNumber(), 2);
    // 2 was handed out but never opened: the next call still moves on.
    EXPECT_EQ(NextFileNumber(), 3);
}

TEST_F(FileIoTest, NumbersSkipOpenOnesAndWrapAfter32767) {
    struct Case {
        int16_t counter;
        std::vector<int16_t> open;
        int16_t expected;
    };
    const Case cases[] = {
        {1, {2}, 3},        {1, {2, 3, 4}, 5}, {0, {1}, 2},        {1, {1}, 2},
        {32766, {}, 32767}, {32767, {}, 1},    {32767, {1, 2}, 3}, {32766, {32767, 1}, 2},
    };
    for (const Case& c : cases) {
        PendingError pending;
        for (const int16_t number : c.open) {
            OpenForWriting(pending, number, Path("n" + std::to_string(number) + ".txt"));
        }
        ASSERT_EQ(PeekError(pending), kNoError);
        SetFileNumberCounterForTests(c.counter);
        EXPECT_EQ(NextFileNumber(), c.expected) << "counter " << c.counter;
        for (const int16_t number : c.open) {
            CloseFile(pending, number);
        }
        EXPECT_EQ(PeekError(pending), kNoError);
    }
}

// ---- Opening -------------------------------------------------------------------------------

TEST_F(FileIoTest, OpenRefusesBadNamesAndNumbersAndLeavesNothing) {
    const std::string tooLong = Path(std::string(256 - folder_.size() - 1, 'L'));
    ASSERT_EQ(tooLong.size(), 256u);
    struct Case {
        int16_t number;
        std::string name;
        uint8_t expected;
    };
    const Case cases[] = {
        {1, "", kBadFileName},
        {1, Path("a*.txt"), kBadFileName},
        {1, Path("a?.txt"), kBadFileName},
        {-1, "", kBadFileName}, // the name is judged before the number
        {1, Path("a.txt") + "\0b.txt"s, kBadFileName},
        {1, tooLong, kBadFileName},
        {-1, Path("ok.txt"), kBadFileNumber},
        {INT16_MIN, Path("ok.txt"), kBadFileNumber},
        {1, Path("missing\\x.txt"), kPathNotFound},
        {1, folder_, kPermissionDenied}, // a folder cannot be opened as a file
    };
    for (const Case& c : cases) {
        PendingError pending;
        OpenForWriting(pending, c.number, c.name);
        EXPECT_EQ(TakeError(pending), c.expected) << c.name;
        EXPECT_TRUE(IsFree(c.number)) << c.name;
        EXPECT_EQ(Listing(folder_), std::vector<std::string>{}) << c.name;
    }
}

TEST_F(FileIoTest, SecondOpenUnderTheSameNumberFailsAndKeepsTheFirst) {
    PendingError pending;
    OpenForWriting(pending, 7, Path("a.txt"));
    ASSERT_EQ(TakeError(pending), kNoError);
    OpenForWriting(pending, 7, Path("b.txt"));
    EXPECT_EQ(TakeError(pending), kFileAlreadyOpen);
    EXPECT_FALSE(Exists(Path("b.txt")));
    WriteText(pending, 7, "first");
    CloseFile(pending, 7);
    EXPECT_EQ(TakeError(pending), kNoError);
    EXPECT_EQ(FileBytes(Path("a.txt")), "first");
}

TEST_F(FileIoTest, FileHeldWithoutSharingIsRefusedAndTheNumberStaysFree) {
    const std::string path = Path("held.txt");
    MakeFile(path, "kept");
    ScopedHandle other(
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(other.Get(), INVALID_HANDLE_VALUE);

    PendingError pending;
    OpenForWriting(pending, 3, path);
    EXPECT_EQ(TakeError(pending), kPermissionDenied); // sharing violation
    EXPECT_TRUE(IsFree(3));
    DeleteMatchingFiles(pending, path);
    EXPECT_EQ(TakeError(pending), kPermissionDenied);
    EXPECT_TRUE(Exists(path));

    other.Reset();
    EXPECT_EQ(WriteWhole(3, path, {"new!"}), kNoError);
    EXPECT_EQ(FileBytes(path), "new!");
}

TEST_F(FileIoTest, FailedOpenAfterTheFileWasOpenedClosesItAgain) {
    // A pipe opens but cannot be positioned, so the open fails after CreateFileA succeeded.
    const std::string name =
        "\\\\.\\pipe\\blaterix-fileio-" + std::to_string(GetCurrentProcessId());
    const ScopedHandle server(CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE, 1,
                                               4096, 4096, 0, nullptr));
    ASSERT_NE(server.Get(), INVALID_HANDLE_VALUE);

    PendingError pending;
    OpenForWriting(pending, 4, name);
    EXPECT_NE(TakeError(pending), kNoError); // Wine: ERROR_BAD_DEV_TYPE, kPathFileAccessError
    EXPECT_TRUE(IsFree(4));
    // The server sees its only client gone: the layer kept no handle to the pipe.
    DWORD available = 0;
    EXPECT_FALSE(PeekNamedPipe(server, nullptr, 0, nullptr, &available, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
}

// ---- Writing -------------------------------------------------------------------------------

TEST_F(FileIoTest, WritesExactlyTheBytesGivenOneAfterAnother) {
    const std::string big(1 << 20, '\x96');
    struct Case {
        std::vector<std::string> texts;
        std::string expected;
    };
    const Case cases[] = {
        {{"abc\r\n"}, "\x61\x62\x63\x0D\x0A"},
        {{}, ""}, // opening alone creates an empty file
        {{""}, ""},
        {{"a", "", "bc"}, "abc"},
        {{"\xE0\xF2\xF9", "\0\xFF\n"s}, "\xE0\xF2\xF9\0\xFF\n"s},
        {{big}, big},
    };
    int serial = 0;
    for (const Case& c : cases) {
        const std::string path = Path("w" + std::to_string(++serial) + ".txt");
        EXPECT_EQ(WriteWhole(9, path, c.texts), kNoError) << path;
        EXPECT_EQ(FileBytes(path), c.expected) << path;
    }
}

TEST_F(FileIoTest, OpeningKeepsOldBytesAndEndFileHereDropsThem) {
    struct Case {
        std::vector<std::string> texts;
        bool endHere;
        std::string expected;
    };
    const Case cases[] = {
        {{"abc"}, false, "abc3456789"},
        {{"abc"}, true, "abc"},
        {{"abc", "de"}, true, "abcde"},
        {{}, true, ""},
        {{"0123456789abc"}, true, "0123456789abc"},
    };
    for (const Case& c : cases) {
        const std::string path = Path("old.txt");
        MakeFile(path, "0123456789");
        PendingError pending;
        OpenForWriting(pending, 5, path);
        for (const std::string& text : c.texts) {
            WriteText(pending, 5, text);
        }
        if (c.endHere) {
            EndFileHere(pending, 5);
        }
        CloseFile(pending, 5);
        EXPECT_EQ(TakeError(pending), kNoError) << c.expected;
        EXPECT_EQ(FileBytes(path), c.expected);
    }
}

TEST_F(FileIoTest, DevicesTakeTheTextAndHaveNoEndToCutOrAreRefusedByName) {
    // NUL takes any text and cannot be shortened; CON cannot be opened by a program without a
    // console, which the platform tells as a bad handle although the open was given none.
    struct Case {
        std::string name;
        uint8_t expected;
    };
    const Case cases[] = {
        {"NUL", kNoError},
        {Path("NUL.txt"), kNoError},
        {Path("nul"), kNoError},
        {"CON", kPathFileAccessError},
        {Path("CON.txt"), kPathFileAccessError},
        {Path("con"), kPathFileAccessError},
    };
    for (const Case& c : cases) {
        PendingError pending;
        OpenForWriting(pending, 12, c.name);
        EXPECT_EQ(TakeError(pending), c.expected) << c.name;
        if (c.expected == kNoError) {
            WriteText(pending, 12, "to a device");
            EndFileHere(pending, 12);
            CloseFile(pending, 12);
            EXPECT_EQ(TakeError(pending), kNoError) << c.name;
        }
        EXPECT_TRUE(IsFree(12)) << c.name;
    }
    EXPECT_EQ(Listing(folder_), std::vector<std::string>{});
}

TEST_F(FileIoTest, NumbersNeverOpenedAreRefusedForWritingAndIgnoredByClose) {
    for (const int16_t number : {int16_t{0}, int16_t{1}, int16_t{32767}, int16_t{-1}}) {
        PendingError pending;
        WriteText(pending, number, "x");
        EXPECT_EQ(TakeError(pending), kBadFileNumber) << number;
        EndFileHere(pending, number);
        EXPECT_EQ(TakeError(pending), kBadFileNumber) << number;
        CloseFile(pending, number);
        EXPECT_EQ(TakeError(pending), kNoError) << number;
    }
    // A closed number is as good as never opened; closing it again changes nothing.
    ASSERT_EQ(WriteWhole(2, Path("c.txt"), {"abc"}), kNoError);
    PendingError pending;
    WriteText(pending, 2, "more");
    EXPECT_EQ(TakeError(pending), kBadFileNumber);
    CloseFile(pending, 2);
    EXPECT_EQ(TakeError(pending), kNoError);
    EXPECT_EQ(FileBytes(Path("c.txt")), "abc");
}

TEST_F(FileIoTest, WritingToAFullDiskGivesDiskFull) {
    // Wine reaches the host's /dev/full through drive Z:. It opens (a character device) and
    // refuses every write with ERROR_DISK_FULL, an empty one included.
    if (!Exists("Z:\\dev")) {
        GTEST_SKIP() << "no Z:\\dev";
    }
    const std::string full = "Z:\\dev\\full";
    PendingError pending;
    OpenForWriting(pending, 6, full);
    ASSERT_EQ(TakeError(pending), kNoError);
    WriteText(pending, 6, "abc");
    EXPECT_EQ(TakeError(pending), kDiskFull);
    CloseFile(pending, 6);
    EXPECT_EQ(TakeError(pending), kNoError);
    EXPECT_TRUE(IsFree(6));
}

// ---- Deleting ------------------------------------------------------------------------------

TEST_F(FileIoTest, DeleteRemovesOnlyDeletablePlainFiles) {
    const std::vector<std::string> all = {"a.txt", "c.log", "d.txt", "h.txt",
                                          "r.txt", "s.txt", "sub",   "sub\\d.txt"};
    auto without = [&all](std::string_view gone) {
        std::vector<std::string> rest = all;
        std::erase(rest, std::string(gone));
        return rest;
    };
    struct Case {
        std::string name; // relative to the case's folder; empty stays empty
        uint8_t expected;
        std::vector<std::string> remaining;
    };
    const Case cases[] = {
        {"", kNoError, all},
        {"missing.txt", kFileNotFound, all},
        {"nodir\\x.txt", kPathNotFound, all},
        {"h.txt", kNoError, all},
        {"s.txt", kNoError, all},
        {"r.txt", kPermissionDenied, all},
        {"a.txt", kNoError, without("a.txt")},
        {"*.log", kNoError, without("c.log")},
        {"c.l?g", kNoError, without("c.log")},
        // The folder is named with '/': the file goes from there, not from the parent.
        {"sub/d.txt", kNoError, without("sub\\d.txt")},
    };
    int serial = 0;
    for (const Case& c : cases) {
        const std::string folder = Path("case" + std::to_string(++serial));
        MakeFolder(folder);
        MakeFile(folder + "\\a.txt", "a");
        MakeFile(folder + "\\c.log", "c");
        MakeFile(folder + "\\d.txt", "d");
        MakeFile(folder + "\\h.txt", "h", FILE_ATTRIBUTE_HIDDEN);
        MakeFile(folder + "\\r.txt", "r", FILE_ATTRIBUTE_READONLY);
        MakeFile(folder + "\\s.txt", "s", FILE_ATTRIBUTE_SYSTEM);
        MakeFolder(folder + "\\sub");
        MakeFile(folder + "\\sub\\d.txt", "d");

        PendingError pending;
        DeleteMatchingFiles(pending, c.name.empty() ? "" : folder + "\\" + c.name);
        EXPECT_EQ(TakeError(pending), c.expected) << c.name;
        EXPECT_EQ(Listing(folder), c.remaining) << c.name;
    }
}

TEST_F(FileIoTest, TrailingBackslashDeletesTheFolderPlainFilesOnly) {
    const std::string folder = Path("all");
    MakeFolder(folder);
    MakeFile(folder + "\\p1.txt", "1");
    MakeFile(folder + "\\p2.dat", "2");
    MakeFile(folder + "\\h", "h", FILE_ATTRIBUTE_HIDDEN);
    MakeFile(folder + "\\s", "s", FILE_ATTRIBUTE_SYSTEM);
    MakeFolder(folder + "\\inner");
    MakeFile(folder + "\\inner\\q.txt", "q");

    PendingError pending;
    DeleteMatchingFiles(pending, folder + "\\");
    EXPECT_EQ(TakeError(pending), kNoError);
    EXPECT_EQ(Listing(folder), (std::vector<std::string>{"h", "inner", "inner\\q.txt", "s"}));

    // A missing folder fails; an empty one has nothing to delete, which is no failure.
    DeleteMatchingFiles(pending, folder + "\\inner\\inner-empty\\");
    EXPECT_EQ(TakeError(pending), kPathNotFound);
    MakeFolder(folder + "\\empty");
    DeleteMatchingFiles(pending, folder + "\\empty\\");
    EXPECT_EQ(TakeError(pending), kNoError);
}

// ---- Long names ----------------------------------------------------------------------------

TEST_F(FileIoTest, NamesUpTo255CharactersWorkAndLongerOnesAreRefusedNotCut) {
    const std::string exact = Path(std::string(255 - folder_.size() - 1, 'e'));
    ASSERT_EQ(exact.size(), 255u);
    EXPECT_EQ(WriteWhole(8, exact, {"fits"}), kNoError);
    EXPECT_EQ(FileBytes(exact), "fits");

    // Cut to 255 characters, this name would be the file above.
    PendingError pending;
    OpenForWriting(pending, 8, exact + "x");
    EXPECT_EQ(TakeError(pending), kBadFileName);
    EXPECT_TRUE(IsFree(8));
    EXPECT_EQ(FileBytes(exact), "fits");

    // Cut to 256 characters, this name would be the file that the delete keeps.
    const std::string longer = Path(std::string(256 - folder_.size() - 1, 'k'));
    ASSERT_EQ(longer.size(), 256u);
    MakeFile(longer, "keep");
    DeleteMatchingFiles(pending, longer + ".bak");
    EXPECT_EQ(TakeError(pending), kBadFileName);
    EXPECT_TRUE(Exists(longer));

    // Cut to 256 characters, this one would end in a backslash and mean all of "sub" (whose
    // names are short enough to be reached through it).
    MakeFolder(Path("sub"));
    MakeFile(Path("sub\\a"), "a");
    MakeFile(Path("sub\\b"), "b");
    std::string relative;
    for (int i = 0; i < 126; ++i) {
        relative += ".\\";
    }
    relative += "sub\\";
    ASSERT_EQ(relative.size(), 256u);
    char previous[MAX_PATH + 1] = {};
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
    DeleteMatchingFiles(pending, relative + "x.txt");
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(TakeError(pending), kBadFileName);
    EXPECT_EQ(Listing(Path("sub")), (std::vector<std::string>{"a", "b"}));

    DeleteMatchingFiles(pending, exact);
    EXPECT_EQ(TakeError(pending), kNoError);
    EXPECT_FALSE(Exists(exact));
    // A NUL would end the name early: "sub\<NUL>x" must not become "sub\", all of "sub".
    DeleteMatchingFiles(pending, Path("sub\\") + "\0x"s);
    EXPECT_EQ(TakeError(pending), kBadFileName);
    EXPECT_EQ(Listing(Path("sub")), (std::vector<std::string>{"a", "b"}));
}

// ---- Error numbers -------------------------------------------------------------------------

TEST(SystemErrorMapTest, TurnsLastErrorCodesIntoErrorNumbers) {
    struct Group {
        std::vector<DWORD> codes;
        uint8_t number;
    };
    const Group groups[] = {
        {{0}, kNoError},
        {{1, 16, 37}, kPathFileAccessError},
        {{2, 18}, kFileNotFound},
        {{3}, kPathNotFound},
        {{4}, kTooManyFiles},
        {{5, 19, 32, 33, 36}, kPermissionDenied},
        {{6, 11, 12, 13, 22, 24}, kInternalError},
        {{7, 9, 10}, kSystemMemoryDamaged},
        {{8, 14}, kOutOfMemory},
        {{15, 20}, kDeviceUnavailable},
        {{17}, kDifferentDevice},
        {{21}, kDiskNotReady},
        {{23, 25, 26, 27, 28, 29, 30, 31, 34, 35}, kDiskMediaError},
        {{38}, kPastEndOfFile},
        {{39}, kDiskFull},
        {{112}, kDiskFull},
        {{87}, kInvalidArgument},
        {{40, 50, 183, 206, 1000, 0xFFFFFFFF}, kPathFileAccessError},
    };
    std::vector<int> seenBelow40(40, 0);
    for (const Group& group : groups) {
        for (const DWORD code : group.codes) {
            EXPECT_EQ(SystemErrorMap(code), group.number) << "code " << code;
            if (code < 40) {
                ++seenBelow40[code];
            }
        }
    }
    // The table above names every code below 40 exactly once.
    EXPECT_EQ(std::count(seenBelow40.begin(), seenBelow40.end(), 1), 40);
}

TEST_F(FileIoTest, PendingErrorOutlivesSuccessesUntilTakenOrCleared) {
    struct Case {
        bool clearInBetween;
        std::string openName;
        uint8_t expected;
    };
    const Case cases[] = {
        {false, "ok.txt", kFileNotFound}, // a success leaves the deletion's number
        {true, "ok.txt", kNoError},
        {false, "bad*.txt", kBadFileName}, // a later failure replaces it
    };
    for (const Case& c : cases) {
        PendingError pending;
        DeleteMatchingFiles(pending, Path("missing.txt"));
        if (c.clearInBetween) {
            ClearError(pending);
        }
        OpenForWriting(pending, 10, Path(c.openName));
        CloseFile(pending, 10);
        EXPECT_EQ(TakeError(pending), c.expected) << c.openName;
        EXPECT_EQ(TakeError(pending), kNoError) << "taken twice";
        DeleteMatchingFiles(pending, Path(c.openName));
    }
}

// ---- The sequence of a save ------------------------------------------------------------------

TEST_F(FileIoTest, SaveOverAFileThatTheDeleteLeavesHoldsOnlyTheNewText) {
    for (const DWORD attribute : {DWORD{FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_SYSTEM}}) {
        const std::string path = Path("kept" + std::to_string(attribute) + ".txt");
        MakeFile(path, "a much longer old text\r\n", attribute);

        PendingError pending;
        DeleteMatchingFiles(pending, path);
        ClearError(pending);
        const int16_t number = NextFileNumber();
        OpenForWriting(pending, number, path);
        ASSERT_EQ(TakeError(pending), kNoError);
        WriteText(pending, number, "new\r\n");
        EndFileHere(pending, number);
        CloseFile(pending, number);
        EXPECT_EQ(TakeError(pending), kNoError);
        EXPECT_EQ(FileBytes(path), "new\r\n");
        EXPECT_EQ(GetFileAttributesA(path.c_str()) & attribute, attribute);
    }
}

// ---- Identities ----------------------------------------------------------------------------

TEST_F(FileIoTest, IdentityNamesTheFileThatTheDeleteWouldRemove) {
    MakeFile(Path("plain.txt"), "p");
    MakeFile(Path("other.txt"), "o");
    MakeFile(Path("read-only.txt"), "r", FILE_ATTRIBUTE_READONLY);
    MakeFile(Path("hidden.txt"), "h", FILE_ATTRIBUTE_HIDDEN);
    MakeFile(Path("system.txt"), "s", FILE_ATTRIBUTE_SYSTEM);
    MakeFolder(Path("sub"));
    const auto plain = DeletableFileIdentity(Path("plain.txt"));
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(DeletableFileIdentity(Path("sub\\..\\plain.txt")), plain);
    EXPECT_NE(DeletableFileIdentity(Path("other.txt")), plain);
    EXPECT_TRUE(DeletableFileIdentity(Path("read-only.txt")).has_value()); // the delete tries it
    for (const std::string& name :
         {Path("hidden.txt"), Path("system.txt"), Path("sub"), Path("sub\\"), Path("missing.txt"),
          Path("p*.txt"), Path("NUL.txt"), std::string("NUL"), std::string()}) {
        EXPECT_EQ(DeletableFileIdentity(name), std::nullopt) << name;
    }

    // The open file is the same one; a device, or a number not open, has no identity.
    PendingError pending;
    OpenForWriting(pending, 13, Path("plain.txt"));
    OpenForWriting(pending, 14, "NUL");
    ASSERT_EQ(TakeError(pending), kNoError);
    EXPECT_EQ(OpenFileIdentity(13), plain);
    EXPECT_EQ(OpenFileIdentity(14), std::nullopt);
    EXPECT_EQ(OpenFileIdentity(15), std::nullopt);
    CloseFile(pending, 13);
    CloseFile(pending, 14);
    EXPECT_EQ(OpenFileIdentity(13), std::nullopt);
    EXPECT_EQ(TakeError(pending), kNoError);
}

TEST_F(FileIoTest, IdentityIsReadWhateverHoldsTheFile) {
    // Held without any sharing, or doomed by a delete while another handle shares it: the name
    // still leads to the same file.
    const std::string path = Path("held.txt");
    MakeFile(path, "held");
    const auto before = DeletableFileIdentity(path);
    ASSERT_TRUE(before.has_value());
    ScopedHandle exclusive(
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(exclusive.Get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(DeletableFileIdentity(path), before);
    exclusive.Reset();

    ScopedHandle sharing(CreateFileA(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(sharing.Get(), INVALID_HANDLE_VALUE);
    PendingError pending;
    DeleteMatchingFiles(pending, path);
    EXPECT_EQ(TakeError(pending), kNoError);
    // Windows refuses to open a file that is about to go; Wine opens it.
    const auto doomed = DeletableFileIdentity(path);
    EXPECT_TRUE(doomed == before || doomed == std::nullopt);
    sharing.Reset();
    EXPECT_EQ(DeletableFileIdentity(path), std::nullopt);
    EXPECT_FALSE(Exists(path));
}

// ---- The guard around system calls ---------------------------------------------------------

uint16_t X87ControlWord() {
    uint16_t word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

void SetX87ControlWord(uint16_t word) {
    asm volatile("fldcw %0" : : "m"(word));
}

#if defined(__x86_64__) || defined(__SSE__)
uint32_t SseControl() {
    uint32_t word = 0;
    asm volatile("stmxcsr %0" : "=m"(word));
    return word;
}

void SetSseControl(uint32_t word) {
    asm volatile("ldmxcsr %0" : : "m"(word));
}
#endif

TEST_F(FileIoTest, CallsKeepTheFloatingPointStateAndTheErrorMode) {
    const uint16_t x87Before = X87ControlWord();
    SetX87ControlWord(0x133F);                // extended precision, nearest, all masked
    const uint16_t x87Set = X87ControlWord(); // as the unit reads it back (bit 6 reads as 1)
    EXPECT_NE(x87Set, 0x037F);                // not what a reset unit holds
#if defined(__x86_64__) || defined(__SSE__)
    const uint32_t sseBefore = SseControl();
    SetSseControl(0x7F80); // all masked, toward zero
#endif
    const UINT modeBefore = SetErrorMode(SEM_NOGPFAULTERRORBOX);

    // A stale last-error code must not turn the successes below into failures.
    PendingError pending;
    SetLastError(ERROR_ACCESS_DENIED);
    OpenForWriting(pending, 11, Path("fp.txt"));
    SetLastError(ERROR_ACCESS_DENIED);
    WriteText(pending, 11, "abc");
    SetLastError(ERROR_ACCESS_DENIED);
    EndFileHere(pending, 11);
    SetLastError(ERROR_ACCESS_DENIED);
    CloseFile(pending, 11);
    SetLastError(ERROR_ACCESS_DENIED);
    DeleteMatchingFiles(pending, Path("fp.txt"));
    DeleteMatchingFiles(pending, Path("missing.txt"));
    const uint8_t error = TakeError(pending);

    const uint16_t x87After = X87ControlWord();
#if defined(__x86_64__) || defined(__SSE__)
    const uint32_t sseAfter = SseControl();
    SetSseControl(sseBefore);
    EXPECT_EQ(sseAfter, 0x7F80u);
#endif
    SetX87ControlWord(x87Before);
    EXPECT_EQ(x87After, x87Set);
    EXPECT_EQ(SetErrorMode(modeBefore), static_cast<UINT>(SEM_NOGPFAULTERRORBOX));
    EXPECT_EQ(error, kFileNotFound); // only the last delete failed
    EXPECT_FALSE(Exists(Path("fp.txt")));
}

} // namespace
