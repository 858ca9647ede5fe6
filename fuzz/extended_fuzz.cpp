// Feeds arbitrary bytes to the software extended format and to the count
// reader, and compares each result with the x87's own, bit for bit: the first
// 20 bytes are two operands, the first 8 also a whole number, and the whole
// input is a text.
#include "fuzz/x87.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    PrepareX87();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t bytes[20] = {};
    std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
    int64_t whole;
    std::memcpy(&whole, bytes, sizeof whole);

    X87Tally tally;
    const Extended a = ValidEncodingOfBytes(bytes), b = ValidEncodingOfBytes(bytes + 10);
    CompareArithmetic(a, b, tally);
    CompareArithmetic(b, a, tally);
    CompareConversions(whole, tally);
    CompareParse(std::string_view(reinterpret_cast<const char*>(data), size), tally);
    if (tally.differences != 0) {
        std::abort(); // the differences are printed; libFuzzer keeps the input
    }
    return 0;
}
