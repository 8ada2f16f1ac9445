// Replaces one file again and again, alternating two contents of different
// lengths, until it is ended: the victim of the kill test
// (file_replace_win32_test.cpp).
//   replace_writer <file>
#include <string>

#include "service/lists/text_file.h"
#include "service/lists/tests/replace_contents.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    for (unsigned n = 0;; ++n) {
        tb::writeTextFile(argv[1], n % 2 ? tb::testing::kShortContent : tb::testing::longContent());
    }
}
