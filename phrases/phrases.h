// The phrase table (seven columns of ten fragments, Windows-1252 bytes) and the
// composition of sentences and of the generated text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr int kPhraseColumns = 7;
constexpr int kPhraseRows = 10;

// Stores the 70 fragments in the process-wide table; run once at start-up.
void FillPhraseTable();

// The fragment at (column 1..7, row 1..10); empty outside that range or before the table is filled.
std::string_view Fragment(int column, int row);

// One sentence: seven fragments in column order, each followed by one space; seven draws.
std::string BuildPhrase();

// Appends count blocks ("   ", a sentence, CR LF CR LF) to out, seven draws
// each; none for count <= 0; throws std::bad_alloc when they cannot be held.
void AppendGeneratedBlocks(std::string& out, int32_t count);

// count blocks (none for count <= 0); throws std::bad_alloc when the text cannot be held.
std::string GenerateText(int32_t count);

// The expected length of a block over uniform draws, in bytes, rounded down.
std::size_t MeanBlockLength();

// The longest block that AppendGeneratedBlock can produce, in bytes.
std::size_t MaxBlockLength();
