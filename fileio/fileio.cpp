// Numbered files on top of the Windows kernel's file calls.
//
// Locks: the open lock (all of OpenForWriting, and NextFileNumber), the table lock (only while
// the table is searched or changed) and the system-call lock (one guarded call). The open lock
// may be held while either of the others is taken; the table lock and the system-call lock are
// never held together. The program calls the layer from its one GUI thread, so no lock is ever
// contended; they are part of the layer all the same, so that any thread may call it.
#include "fileio/fileio.h"

#include "scoped/scoped.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <utility>

namespace {

// ---- Locks -------------------------------------------------------------------------------

// A spin lock: taken by exchanging -1 in while the old value was not 0, released by storing 0.
using SpinLock = std::atomic<int32_t>;

SpinLock OpenLock{0};
SpinLock TableLock{0};
SpinLock SystemCallLock{0};

void TakeLock(SpinLock& lock) {
    while (lock.exchange(-1, std::memory_order_acquire) != 0) {
    }
}

void ReleaseLock(SpinLock& lock) {
    lock.store(0, std::memory_order_release);
}

// ---- Guarded system calls ----------------------------------------------------------------

// The x87 unit's whole state (FNSAVE image) and, where SSE is certain, the SSE control word.
// The SSE data registers belong to the compiler's register allocation and are left alone.
struct FloatingPointState {
    unsigned char x87[108];
#if defined(__x86_64__) || defined(__SSE__)
    uint32_t mxcsr;
#endif
};

// Saves the floating-point state; FNSAVE also resets the x87 unit to its defaults for the call.
void SaveFloatingPoint(FloatingPointState& state) {
    asm volatile("fnsave %0"
                 : "=m"(state.x87)
                 :
                 : "memory", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
#if defined(__x86_64__) || defined(__SSE__)
    asm volatile("stmxcsr %0" : "=m"(state.mxcsr) : : "memory");
#endif
}

void RestoreFloatingPoint(const FloatingPointState& state) {
#if defined(__x86_64__) || defined(__SSE__)
    asm volatile("ldmxcsr %0" : : "m"(state.mxcsr) : "memory");
#endif
    asm volatile("frstor %0"
                 :
                 : "m"(state.x87)
                 : "memory", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
}

// What a guarded call returned, and the last-error code it left (0: it succeeded).
template <typename Value> struct SystemCallResult {
    Value value;
    DWORD lastError;
};

constexpr UINT kQuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX; // 0x8001

// Makes one Windows call under the system-call lock with the floating-point state kept and no
// system error boxes; the call failed exactly when it left a last-error code. The program sets
// the x87 unit's mode for its own arithmetic at start-up, and code inside a system call may
// change it; the error mode turns a missing disk or an unreadable drive into an error number
// instead of a system dialog.
template <typename Call> auto GuardedSystemCall(Call call) -> SystemCallResult<decltype(call())> {
    TakeLock(SystemCallLock);
    FloatingPointState saved;
    SaveFloatingPoint(saved);
    const UINT previousMode = SetErrorMode(kQuietErrorMode);
    SetLastError(0);
    const auto value = call();
    RestoreFloatingPoint(saved);
    const DWORD lastError = GetLastError();
    SetErrorMode(previousMode);
    ReleaseLock(SystemCallLock);
    return {value, lastError};
}

// Stores a failure's number in the caller's pending error; a number 0 becomes kInternalError.
void Fail(PendingError& pending, uint8_t error) {
    pending.code = error;
    if (error == kNoError) {
        pending.code = kInternalError;
    }
}

// The error number of a call known to have failed, also when it left no last-error code.
uint8_t FailureNumber(DWORD lastError) {
    const uint8_t error = SystemErrorMap(lastError);
    if (error == kNoError) {
        return kInternalError;
    }
    return error;
}

// ---- Open-file table ---------------------------------------------------------------------

enum class DeviceKind : uint8_t { kOther, kDisk };

// kOpening marks a record whose open has not finished yet: nothing may be written through it.
enum class FileMode : uint8_t { kOpening, kWriteText };

struct OpenFileRecord {
    OpenFileRecord* next;
    int16_t number;
    HANDLE handle;
    DeviceKind device;
    FileMode mode;
    std::string name;  // the name as it was opened, at most kMaxFileNameLength characters
    uint64_t position; // bytes written since the open
};

// Most recently opened first. Callers name an open file by the number that NextFileNumber gave
// them, never by its handle: the table is where a number leads to its file.
OpenFileRecord* OpenFileTable = nullptr;

int16_t FileNumberCounter = 0;

OpenFileRecord* FindRecord(int16_t number) {
    TakeLock(TableLock);
    OpenFileRecord* record = OpenFileTable;
    while (record != nullptr && record->number != number) {
        record = record->next;
    }
    ReleaseLock(TableLock);
    return record;
}

void AddRecord(OpenFileRecord* record) {
    TakeLock(TableLock);
    record->next = OpenFileTable;
    OpenFileTable = record;
    ReleaseLock(TableLock);
}

// Takes the first record that matches out of the table and returns it, nullptr if none does.
template <typename Matches> OpenFileRecord* TakeOutRecord(Matches matches) {
    TakeLock(TableLock);
    OpenFileRecord** link = &OpenFileTable;
    while (*link != nullptr && !matches(**link)) {
        link = &(*link)->next;
    }
    OpenFileRecord* record = *link;
    if (record != nullptr) {
        *link = record->next;
    }
    ReleaseLock(TableLock);
    return record;
}

// ---- Handles -----------------------------------------------------------------------------

// Close (CloseHandle for a file, FindClose for a search) through the guard, like every other
// file call of this layer.
template <BOOL(WINAPI* Close)(HANDLE)> BOOL GuardedClose(HANDLE handle) {
    return GuardedSystemCall([handle] { return Close(handle); }).value;
}

// Handles that this layer holds while an operation runs, closed through the guard on every way
// out unless Release hands them on.
using OwnedFile = ScopedResource<HANDLE, GuardedClose<CloseHandle>>;
using OwnedSearch = ScopedResource<HANDLE, GuardedClose<FindClose>>;

// ---- Names -------------------------------------------------------------------------------

// A name as the ANSI calls take it: NUL-terminated, with room for "*.*" after it.
struct NameBuffer {
    std::array<char, kMaxFileNameLength + 4> text;
    std::size_t length;
};

// Copies name into buffer; false when it is too long or holds a NUL.
bool CopyName(std::string_view name, NameBuffer& buffer) {
    if (name.size() > kMaxFileNameLength || name.find('\0') != std::string_view::npos) {
        return false;
    }
    std::memcpy(buffer.text.data(), name.data(), name.size());
    buffer.text[name.size()] = '\0';
    buffer.length = name.size();
    return true;
}

// The attribute of a volume label entry, which the Windows headers do not name.
constexpr DWORD kVolumeLabelAttribute = 0x8;

// Skipped by DeleteMatchingFiles: hidden, system, volume label, directory.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  kVolumeLabelAttribute | FILE_ATTRIBUTE_DIRECTORY;

// A directory part (at most kMaxFileNameLength) joined with a cFileName (at most MAX_PATH - 1).
using JoinedPath = std::array<char, kMaxFileNameLength + MAX_PATH>;

// Deletes the entry found unless it is to be kept; returns its error number, 0 for success.
uint8_t DeleteEntry(const NameBuffer& pattern, std::size_t directoryLength,
                    const WIN32_FIND_DATAA& entry) {
    if ((entry.dwFileAttributes & kKeptAttributes) != 0) {
        return kNoError;
    }
    const std::size_t nameLength =
        std::find(std::begin(entry.cFileName), std::end(entry.cFileName), '\0') - entry.cFileName;
    static_assert(std::tuple_size_v<JoinedPath> >= kMaxFileNameLength + sizeof entry.cFileName);
    JoinedPath path;
    std::memcpy(path.data(), pattern.text.data(), directoryLength);
    std::memcpy(path.data() + directoryLength, entry.cFileName, nameLength);
    path[directoryLength + nameLength] = '\0';
    const auto deleted = GuardedSystemCall([&path] { return DeleteFileA(path.data()); });
    return SystemErrorMap(deleted.lastError);
}

// DeleteMatchingFiles without the bookkeeping: returns the error number, 0 for success.
uint8_t DeleteMatching(std::string_view name) {
    NameBuffer pattern;
    if (!CopyName(name, pattern)) {
        return kBadFileName;
    }
    const char last = pattern.text[pattern.length - 1];
    if (last == ':' || last == '\\') {
        std::memcpy(pattern.text.data() + pattern.length, "*.*", 4);
        pattern.length += 3;
    }

    WIN32_FIND_DATAA entry;
    const auto first = GuardedSystemCall(
        [&pattern, &entry] { return FindFirstFileA(pattern.text.data(), &entry); });
    const OwnedSearch search(first.value);
    if (first.lastError != 0 || first.value == INVALID_HANDLE_VALUE) {
        return FailureNumber(first.lastError);
    }

    // The entries' names are relative to the folder the pattern names; Windows also takes '/'
    // between folders, so it ends the directory part as well.
    const std::string_view text(pattern.text.data(), pattern.length);
    const std::size_t separator = text.find_last_of(":\\/");
    const std::size_t directoryLength = separator == std::string_view::npos ? 0 : separator + 1;

    for (;;) {
        if (const uint8_t error = DeleteEntry(pattern, directoryLength, entry); error != kNoError) {
            return error;
        }
        const auto next =
            GuardedSystemCall([&search, &entry] { return FindNextFileA(search, &entry); });
        if (next.lastError != 0) {
            const uint8_t error = SystemErrorMap(next.lastError);
            if (error == kFileNotFound) {
                return kNoError; // no more entries
            }
            return error;
        }
        if (!next.value) {
            return kNoError; // refused without a reason: take it as the end, not as a new entry
        }
    }
}

// Steps of OpenForWriting after the record is in the table: opens the file into it and returns
// the error number, 0 for success. On failure the file it opened is closed again.
uint8_t OpenIntoRecord(OpenFileRecord& record, const NameBuffer& name) {
    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof inherit;
    inherit.lpSecurityDescriptor = nullptr;
    inherit.bInheritHandle = TRUE;
    const auto created = GuardedSystemCall([&name, &inherit] {
        return CreateFileA(name.text.data(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    // An existing file leaves ERROR_ALREADY_EXISTS behind: only the handle tells failure.
    if (created.value == INVALID_HANDLE_VALUE) {
        // An open is given no handle, so a bad handle means a device that the name reserves
        // and the system will not open (CON without a console): the name is refused.
        if (created.lastError == ERROR_INVALID_HANDLE) {
            return kPathFileAccessError;
        }
        return FailureNumber(created.lastError);
    }
    OwnedFile file(created.value);

    const HANDLE handle = file;
    const auto type = GuardedSystemCall([handle] { return GetFileType(handle); });
    record.device = type.value == FILE_TYPE_DISK ? DeviceKind::kDisk : DeviceKind::kOther;

    LONG high = 0;
    const auto moved =
        GuardedSystemCall([handle, &high] { return SetFilePointer(handle, 0, &high, FILE_BEGIN); });
    if (moved.lastError != 0) {
        return SystemErrorMap(moved.lastError);
    }

    try {
        record.name.assign(name.text.data(), name.length);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    record.handle = file.Release();
    record.position = 0;
    record.mode = FileMode::kWriteText;
    return kNoError;
}

// OpenForWriting under the open lock: returns the error number, 0 for success.
uint8_t OpenLocked(int16_t number, std::string_view name) {
    NameBuffer buffer;
    if (name.empty() || name.find_first_of("*?") != std::string_view::npos ||
        !CopyName(name, buffer)) {
        return kBadFileName;
    }
    if (number < 0) {
        return kBadFileNumber;
    }
    if (FindRecord(number) != nullptr) {
        return kFileAlreadyOpen;
    }
    auto* record = new (std::nothrow) OpenFileRecord{
        nullptr, number, INVALID_HANDLE_VALUE, DeviceKind::kOther, FileMode::kOpening, {}, 0};
    if (record == nullptr) {
        return kOutOfMemory;
    }
    AddRecord(record);
    const uint8_t error = OpenIntoRecord(*record, buffer);
    if (error != kNoError) {
        TakeOutRecord([record](const OpenFileRecord& r) { return &r == record; });
        delete record;
    }
    return error;
}

// What the system tells of an open disk file; nothing for a device or when it cannot tell.
std::optional<BY_HANDLE_FILE_INFORMATION> DiskFileInformation(HANDLE handle) {
    const auto type = GuardedSystemCall([handle] { return GetFileType(handle); });
    if (type.value != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const auto read = GuardedSystemCall(
        [handle, &information] { return GetFileInformationByHandle(handle, &information); });
    if (read.lastError != 0 || !read.value) {
        return std::nullopt;
    }
    return information;
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& information) {
    return {information.dwVolumeSerialNumber,
            uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow};
}

// The record of an open file in write-text mode; without one, the reason goes to pending.
OpenFileRecord* WritableRecord(PendingError& pending, int16_t number) {
    OpenFileRecord* record = FindRecord(number);
    if (record == nullptr) {
        Fail(pending, kBadFileNumber);
    } else if (record->mode != FileMode::kWriteText) {
        Fail(pending, kBadFileMode);
        record = nullptr;
    }
    return record;
}

} // namespace

uint8_t SystemErrorMap(DWORD lastError) {
    // Codes 0 to 39; 0 is success and never a failure's code.
    static constexpr FileError kBelow40[40] = {
        kNoError,             // 0
        kPathFileAccessError, // 1 ERROR_INVALID_FUNCTION
        kFileNotFound,        // 2 ERROR_FILE_NOT_FOUND
        kPathNotFound,        // 3 ERROR_PATH_NOT_FOUND
        kTooManyFiles,        // 4 ERROR_TOO_MANY_OPEN_FILES
        kPermissionDenied,    // 5 ERROR_ACCESS_DENIED
        kInternalError,       // 6 ERROR_INVALID_HANDLE
        kSystemMemoryDamaged, // 7 ERROR_ARENA_TRASHED
        kOutOfMemory,         // 8 ERROR_NOT_ENOUGH_MEMORY
        kSystemMemoryDamaged, // 9 ERROR_INVALID_BLOCK
        kSystemMemoryDamaged, // 10 ERROR_BAD_ENVIRONMENT
        kInternalError,       // 11 ERROR_BAD_FORMAT
        kInternalError,       // 12 ERROR_INVALID_ACCESS
        kInternalError,       // 13 ERROR_INVALID_DATA
        kOutOfMemory,         // 14 ERROR_OUTOFMEMORY
        kDeviceUnavailable,   // 15 ERROR_INVALID_DRIVE
        kPathFileAccessError, // 16 ERROR_CURRENT_DIRECTORY
        kDifferentDevice,     // 17 ERROR_NOT_SAME_DEVICE
        kFileNotFound,        // 18 ERROR_NO_MORE_FILES
        kPermissionDenied,    // 19 ERROR_WRITE_PROTECT
        kDeviceUnavailable,   // 20 ERROR_BAD_UNIT
        kDiskNotReady,        // 21 ERROR_NOT_READY
        kInternalError,       // 22 ERROR_BAD_COMMAND
        kDiskMediaError,      // 23 ERROR_CRC
        kInternalError,       // 24 ERROR_BAD_LENGTH
        kDiskMediaError,      // 25 ERROR_SEEK
        kDiskMediaError,      // 26 ERROR_NOT_DOS_DISK
        kDiskMediaError,      // 27 ERROR_SECTOR_NOT_FOUND
        kDiskMediaError,      // 28 ERROR_OUT_OF_PAPER
        kDiskMediaError,      // 29 ERROR_WRITE_FAULT
        kDiskMediaError,      // 30 ERROR_READ_FAULT
        kDiskMediaError,      // 31 ERROR_GEN_FAILURE
        kPermissionDenied,    // 32 ERROR_SHARING_VIOLATION
        kPermissionDenied,    // 33 ERROR_LOCK_VIOLATION
        kDiskMediaError,      // 34 ERROR_WRONG_DISK
        kDiskMediaError,      // 35
        kPermissionDenied,    // 36 ERROR_SHARING_BUFFER_EXCEEDED
        kPathFileAccessError, // 37
        kPastEndOfFile,       // 38 ERROR_HANDLE_EOF
        kDiskFull,            // 39 ERROR_HANDLE_DISK_FULL
    };
    if (lastError < 40) {
        return kBelow40[lastError];
    }
    switch (lastError) {
    case ERROR_DISK_FULL:
        return kDiskFull;
    case ERROR_INVALID_PARAMETER:
        return kInvalidArgument;
    default:
        return kPathFileAccessError;
    }
}

int16_t NextFileNumber() {
    TakeLock(OpenLock);
    // At most one round of all numbers: if every one is open, the last one tried comes back.
    for (int32_t tries = 0; tries < 32767; ++tries) {
        int32_t next = FileNumberCounter + 1;
        if ((next & 0x8000) != 0) {
            next = 1;
        }
        FileNumberCounter = static_cast<int16_t>(next);
        if (FindRecord(FileNumberCounter) == nullptr) {
            break;
        }
    }
    const int16_t number = FileNumberCounter;
    ReleaseLock(OpenLock);
    return number;
}

void DeleteMatchingFiles(PendingError& pending, std::string_view name) {
    if (name.empty()) {
        return;
    }
    if (const uint8_t error = DeleteMatching(name); error != kNoError) {
        Fail(pending, error);
    }
}

void OpenForWriting(PendingError& pending, int16_t number, std::string_view name) {
    TakeLock(OpenLock);
    const uint8_t error = OpenLocked(number, name);
    ReleaseLock(OpenLock);
    if (error != kNoError) {
        Fail(pending, error);
    }
}

void WriteText(PendingError& pending, int16_t number, std::string_view text) {
    OpenFileRecord* record = WritableRecord(pending, number);
    if (record == nullptr) {
        return;
    }
    const HANDLE handle = record->handle;
    // One call for any text a DWORD can count (every text of a 32-bit process).
    do {
        const DWORD length = static_cast<DWORD>(std::min<std::size_t>(text.size(), MAXDWORD));
        DWORD written = 0;
        const auto result = GuardedSystemCall([handle, &text, length, &written] {
            return WriteFile(handle, text.data(), length, &written, nullptr);
        });
        if (result.lastError != 0) {
            Fail(pending, FailureNumber(result.lastError));
            return;
        }
        record->position += written;
        text.remove_prefix(length);
    } while (!text.empty());
}

void EndFileHere(PendingError& pending, int16_t number) {
    OpenFileRecord* record = WritableRecord(pending, number);
    if (record == nullptr || record->device != DeviceKind::kDisk) {
        return;
    }
    const HANDLE handle = record->handle;
    LONG high = static_cast<LONG>(record->position >> 32);
    const LONG low = static_cast<LONG>(static_cast<uint32_t>(record->position));
    const auto moved = GuardedSystemCall(
        [handle, low, &high] { return SetFilePointer(handle, low, &high, FILE_BEGIN); });
    if (moved.lastError != 0) {
        Fail(pending, SystemErrorMap(moved.lastError));
        return;
    }
    const auto ended = GuardedSystemCall([handle] { return SetEndOfFile(handle); });
    if (ended.lastError != 0) {
        Fail(pending, SystemErrorMap(ended.lastError));
    }
}

std::optional<FileIdentity> DeletableFileIdentity(std::string_view name) {
    NameBuffer buffer;
    if (name.empty() || name.find_first_of("*?") != std::string_view::npos ||
        !CopyName(name, buffer) || name.back() == ':' || name.back() == '\\') {
        return std::nullopt;
    }
    // Asking for no access at all reads the file's information whoever holds it, and sharing
    // everything keeps it from getting in anyone's way; it is closed again at once.
    const auto opened = GuardedSystemCall([&buffer] {
        return CreateFileA(buffer.text.data(), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    const OwnedFile file(opened.value);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const auto information = DiskFileInformation(file);
    if (!information || (information->dwFileAttributes & kKeptAttributes) != 0) {
        return std::nullopt;
    }
    return IdentityOf(*information);
}

std::optional<FileIdentity> OpenFileIdentity(int16_t number) {
    const OpenFileRecord* record = FindRecord(number);
    if (record == nullptr || record->mode != FileMode::kWriteText ||
        record->device != DeviceKind::kDisk) {
        return std::nullopt;
    }
    const auto information = DiskFileInformation(record->handle);
    if (!information) {
        return std::nullopt;
    }
    return IdentityOf(*information);
}

void CloseFile(PendingError& pending, int16_t number) {
    OpenFileRecord* record =
        TakeOutRecord([number](const OpenFileRecord& r) { return r.number == number; });
    if (record == nullptr) {
        return;
    }
    const HANDLE handle = record->handle;
    const auto closed = GuardedSystemCall([handle] { return CloseHandle(handle); });
    delete record;
    if (closed.lastError != 0) {
        Fail(pending, SystemErrorMap(closed.lastError));
    }
}

void ClearError(PendingError& pending) {
    pending.code = kNoError;
}

uint8_t TakeError(PendingError& pending) {
    return std::exchange(pending.code, kNoError);
}

uint8_t PeekError(const PendingError& pending) {
    return pending.code;
}

// ---------------------------------------------------------------------------------------------
// Test hooks

void SetFileNumberCounterForTests(int16_t value) {
    TakeLock(OpenLock);
    FileNumberCounter = value;
    ReleaseLock(OpenLock);
}
