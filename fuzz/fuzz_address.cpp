// stripScheme, isWebAddress and scrambleListText on arbitrary bytes: no
// crash, encoding keeps the length, the normal form is stable.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/address.h"
#include "common/list_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);

    const std::string normal = tb::stripScheme(input);
    if (normal.size() > input.size()) __builtin_trap();
    (void)tb::isWebAddress(input);

    // The key is the first line of the input, the text the rest.
    const size_t cut = input.find('\n');
    const std::string key = cut == std::string::npos ? tb::kDefaultListKey : input.substr(0, cut);
    std::string text = cut == std::string::npos ? input : input.substr(cut + 1);
    const size_t length = text.size();
    tb::scrambleListText(text, tb::ScrambleMode::Encode, key);
    if (text.size() != length) __builtin_trap();
    tb::scrambleListText(text, tb::ScrambleMode::Decode, key);
    if (text.size() != length) __builtin_trap();
    return 0;
}
