// The file layer: open files are named by a number, failures are reported as error numbers in
// the caller's PendingError instead of being raised. Text is std::string holding Windows-1252
// bytes, written exactly as given. Every Windows file call goes through one guard that
// serialises it, keeps the floating-point state, suppresses the system's error boxes and turns
// the Windows last-error code into an error number (SystemErrorMap).
//
// Names are ANSI paths of at most 255 characters. A longer name, or one holding a NUL, is
// refused with 64 and touches nothing: cutting it would name a different file (or, cut after a
// backslash, a whole folder).
//
// The open-file table, the number counter and the three spin locks are process-wide; none of
// these functions throws.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

// The error number pending in one calling routine: 0 is none. A failing operation stores its
// number here (never 0: a failure without one is stored as 51); a successful one leaves it alone.
struct PendingError {
    uint8_t code = 0;
};

// The longest name that DeleteMatchingFiles and OpenForWriting accept.
constexpr std::size_t kMaxFileNameLength = 255;

// Returns the next number after the last one handed out (1..32767, wrapping) that is not open.
// It is not reserved; if every number is open, it returns one that is (OpenForWriting gives 55).
int16_t NextFileNumber();

// Deletes the plain files matching name ("*", "?"; a trailing ':' or '\' means "*.*"), stopping
// at the first failure; hidden, system, volume and directory entries are skipped without error.
void DeleteMatchingFiles(PendingError& pending, std::string_view name);

// Opens or creates name for writing from its first byte (never shortening it) under number:
// 64 bad name, 52 negative number, 55 number open, 7 out of memory, else the mapped system error;
// a failure leaves no record and no open handle.
void OpenForWriting(PendingError& pending, int16_t number, std::string_view name);

// Writes exactly the bytes of text at the file's position and advances it: 52 not open.
void WriteText(PendingError& pending, int16_t number, std::string_view text);

// Makes the file end at its position, dropping any older bytes after what was written: 52 not open.
void EndFileHere(PendingError& pending, int16_t number);

// Closes the file and frees its number; a number that is not open is left alone without error.
void CloseFile(PendingError& pending, int16_t number);

// Sets the pending error number to 0.
void ClearError(PendingError& pending);

// Returns the pending error number and sets it to 0.
uint8_t TakeError(PendingError& pending);

// Returns the error number for a Windows last-error code, 0 for 0.
uint8_t SystemErrorMap(DWORD lastError);

// Tests only: the value after which NextFileNumber continues.
void SetFileNumberCounterForTests(int16_t value);
