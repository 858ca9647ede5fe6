// blaterix-cli: the generator for terminals and scripts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// How many bytes the writer gathers before handing them to the stream.
constexpr std::size_t kCliChunkSize = 1 << 16;

// Appends text (Windows-1252, CR LF line ends) to out as UTF-8 with LF line ends.
void AppendAsUtf8(std::string& out, const std::string& text);

// Writes count generated blocks to out as they are built, in constant memory;
// false on a write error (errno tells why).
bool WriteGeneratedText(int32_t count, bool utf8, std::FILE* out);

// The whole command line: parses argv, writes to out and err, returns the exit status.
int RunCli(int argc, char** argv, std::FILE* out, std::FILE* err);
