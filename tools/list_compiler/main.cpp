// list_compiler category|plain|words <key> <input.txt> <output>
//
//   category  an indexed category list (TBinD.dat to TBinI.dat)
//   plain     a plain list (TBinA.dat to TBinC.dat)
//   words     a category word file (tbfD.dat to tbfI.dat)
//
// The input holds one normalised address (or word) a line; '#' starts a
// comment line. Every file of one installation must use the same key.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/list_compiler/list_compiler.h"

namespace {

int usage() {
    std::cerr << "usage: list_compiler category|plain|words <key> <input.txt> <output>\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return usage();
    const std::string kind = argv[1];
    const std::string key = tb::listc::usableKey(argv[2]);
    if (const auto problem = tb::listc::keyProblem(key)) {
        std::cerr << "list_compiler: " << *problem << "\n";
        return 1;
    }
    std::ifstream in(argv[3], std::ios::binary);
    if (!in) {
        std::cerr << "list_compiler: cannot read " << argv[3] << "\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    const auto lines = tb::listc::readLines(text.str());

    std::string out;
    if (kind == "category") {
        out = tb::listc::categoryListFile(lines, key);
    } else if (kind == "plain") {
        out = tb::listc::plainListFile(lines, key);
    } else if (kind == "words") {
        out = tb::listc::categoryWordFile(lines, key);
    } else {
        return usage();
    }
    std::ofstream file(argv[4], std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    if (!file) {
        std::cerr << "list_compiler: cannot write " << argv[4] << "\n";
        return 1;
    }
    return 0;
}
