// The file layer: open files are named by a number, failures are reported as error numbers in
// the caller's PendingError instead of being raised. Text is std::string holding Windows-1252
// bytes, written exactly as given. Every Windows file call goes through one guard that
// serialises it, keeps the floating-point state, suppresses the system's error boxes and turns
// the Windows last-error code into an error number (SystemErrorMap).
//
// Names are ANSI paths of at most 255 characters. A longer name, or one holding a NUL, is
// refused with kBadFileName and touches nothing: cutting it would name a different file (or, cut
// after a backslash, a whole folder).
//
// The open-file table, the number counter and the three spin locks are process-wide; none of
// these functions throws.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The error numbers that the operations leave in a PendingError.
enum FileError : uint8_t {
    kNoError = 0,
    kInvalidArgument = 5,      // the system refused a parameter
    kOutOfMemory = 7,          // memory ran out
    kInternalError = 51,       // a failure that names no reason
    kBadFileNumber = 52,       // no file is open under the number, or it is negative
    kFileNotFound = 53,        // no file matches the name
    kBadFileMode = 54,         // the file is not open for writing text
    kFileAlreadyOpen = 55,     // a file is already open under the number
    kDiskFull = 61,            // no room left on the disk
    kPastEndOfFile = 62,       // the system reached the end of a file
    kBadFileName = 64,         // empty, wildcards, a NUL or too long
    kTooManyFiles = 67,        // the system has no more file handles
    kDeviceUnavailable = 68,   // the device is gone or not supported
    kPermissionDenied = 70,    // access denied, or the file is in use by another program
    kDiskNotReady = 71,        // no disk in the drive
    kDiskMediaError = 72,      // the disk cannot be read or written
    kDifferentDevice = 74,     // the system refused to move a file between devices
    kPathFileAccessError = 75, // a name the system refuses, or any other failure
    kPathNotFound = 76,        // a folder of the path does not exist
    kSystemMemoryDamaged = 241 // the system's memory blocks or environment are damaged
};

// The error number pending in one calling routine: 0 is none. A failing operation stores its
// number here (never 0: a failure without one is stored as kInternalError); a successful one
// leaves it alone. Callers read it with PeekError and TakeError.
struct PendingError {
    uint8_t code = kNoError;
};

// The longest name that DeleteMatchingFiles and OpenForWriting accept.
constexpr std::size_t kMaxFileNameLength = 255;

// Returns the next number after the last one handed out (1..32767, wrapping) that is not open.
// It is not reserved; if every number is open, it returns one that is (OpenForWriting then
// gives kFileAlreadyOpen).
int16_t NextFileNumber();

// Deletes the plain files matching name ("*", "?"; a trailing ':' or '\' means "*.*"), stopping
// at the first failure; hidden, system, volume and directory entries are skipped without error.
void DeleteMatchingFiles(PendingError& pending, std::string_view name);

// Opens or creates name for writing from its first byte (never shortening it) under number:
// kBadFileName, kBadFileNumber (negative), kFileAlreadyOpen, kOutOfMemory, kPathFileAccessError
// for a device that the system will not open (CON), else the mapped system error; a failure
// leaves no record and no open handle.
void OpenForWriting(PendingError& pending, int16_t number, std::string_view name);

// Writes exactly the bytes of text at the file's position and advances it: kBadFileNumber when
// nothing is open under number.
void WriteText(PendingError& pending, int16_t number, std::string_view text);

// Makes a disk file end at its position, dropping any older bytes after what was written; a
// device (NUL, a port) has no end to cut and is left alone: kBadFileNumber when nothing is open
// under number.
void EndFileHere(PendingError& pending, int16_t number);

// Where a file lives on disk: its volume's serial number and its index on that volume. Two names
// with the same identity at the same moment name the same file; once a file is gone, a new one
// may get its index.
struct FileIdentity {
    DWORD volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file that DeleteMatchingFiles(name) would delete: an existing disk file
// that is neither hidden, system nor a folder; nothing for any other name (missing, a device, a
// wildcard, refused).
std::optional<FileIdentity> DeletableFileIdentity(std::string_view name);

// The identity of the disk file open under number; nothing when the number is not open or the
// file is a device.
std::optional<FileIdentity> OpenFileIdentity(int16_t number);

// Closes the file and frees its number; a number that is not open is left alone without error.
void CloseFile(PendingError& pending, int16_t number);

// Sets the pending error number to 0.
void ClearError(PendingError& pending);

// Returns the pending error number and sets it to 0.
uint8_t TakeError(PendingError& pending);

// Returns the pending error number and leaves it pending.
uint8_t PeekError(const PendingError& pending);

// Returns the error number for a Windows last-error code, 0 for 0.
uint8_t SystemErrorMap(DWORD lastError);

// ---------------------------------------------------------------------------------------------
// Test hooks: the program never calls these; each name ends in ForTests.

// Sets the value after which NextFileNumber continues.
void SetFileNumberCounterForTests(int16_t value);
