// The filter on arbitrary addresses and page texts, against lists of every
// kind (the parent's, the category lists with their indexes, the words): no
// crash and no read outside the lists. The
// input is an address, then after the first NUL the text of a page.
#include <cstddef>
#include <cstdint>
#include <string>

#include "service/process/tests/fake_seams.h"

namespace {

tb::ServiceCore& filter() {
    static tb::testing::ServiceFixture fixture;
    static const bool made = [] {
        fixture.files()
            .allow({"www.school.example/"})
            .block({"www.fireworks.example/shop.htm", "bad.example/"})
            .category(0, {"www.royal-casino.example/", "adult.example/x/", "abc"})
            .categoryWords(0, {"jackpotking", "slots"})
            .wordFile({"", "t", "tulip"})
            .blockPages();
        return true;
    }();
    (void)made;
    return fixture.service();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string address = input.substr(0, split);
    const std::string text = split == std::string::npos ? std::string() : input.substr(split + 1);
    tb::ServiceCore& service = filter();
    service.filterURL(address);
    service.passesFilterList(address, text);
    service.isURLAllowed(address);
    return 0;
}
