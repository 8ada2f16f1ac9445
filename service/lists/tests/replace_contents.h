// The two contents that replace_writer alternates.
#pragma once

#include <string>

namespace tb::testing {

inline const char kShortContent[] = "old password\nt\n";

inline const std::string& longContent() {
    static const std::string text = [] {
        std::string t = "new password\nf\n";
        for (int i = 0; i < 20000; ++i) t += "word" + std::to_string(i) + "\n";
        return t;
    }();
    return text;
}

}  // namespace tb::testing
