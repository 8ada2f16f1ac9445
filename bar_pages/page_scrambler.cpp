// bar_page_scrambler <output.cpp>: writes the bar page addresses of the
// vendor configuration in the scrambled form that tbpages.dll keeps, so
// that the library never holds them in clear and always follows the one
// configuration.
#include <cstdio>
#include <fstream>
#include <string>

#include "bar_pages/page_scramble.h"
#include "common/vendor_endpoints.h"

namespace {

void writeText(std::ofstream& out, const char* name, const char* text) {
    const std::string plain(text);
    out << "const uint8_t k" << name << "Bytes[] = {";
    // The terminator is scrambled with the text.
    for (size_t i = 0; i <= plain.size(); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x",
                      tb::pages::hideByte(static_cast<uint8_t>(plain[i])));
        out << (i % 12 == 0 ? "\n    " : " ") << hex << ",";
    }
    out << "\n};\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bar_page_scrambler <output.cpp>\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << "// Written by bar_page_scrambler from the vendor configuration; do not edit.\n"
           "#include \"bar_pages/scrambled_pages.h\"\n\n"
           "namespace tb::pages {\n\nnamespace {\n\n";
    const struct {
        const char* name;
        const char* text;
    } pages[] = {{"MainBarPage", tb::vendor::kMainBarPage},
                 {"ReferrerPage", tb::vendor::kReferrerPage},
                 {"MicroAdPage", tb::vendor::kMicroAdPage},
                 {"NavPage", tb::vendor::kNavPage}};
    for (const auto& page : pages) writeText(out, page.name, page.text);
    out << "\n}  // namespace\n\n";
    for (const auto& page : pages) {
        out << "const ScrambledText kScrambled" << page.name << " = {k" << page.name
            << "Bytes, sizeof k" << page.name << "Bytes};\n";
    }
    out << "\n}  // namespace tb::pages\n";
    out.close();
    if (!out) {
        std::fprintf(stderr, "bar_page_scrambler: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
