#include "common/multi_pattern_finder.h"

#include <algorithm>
#include <deque>

namespace tb {

MultiPatternFinder::MultiPatternFinder(const std::vector<std::string>& patterns)
    : patternCount_(patterns.size()) {
    // Byte classes: class 0 for bytes of no pattern.
    std::array<bool, 256> used{};
    for (const std::string& p : patterns)
        for (unsigned char c : p) used[c] = true;
    classes_ = 1;
    for (int b = 0; b < 256; ++b) classOf_[b] = used[b] ? static_cast<uint8_t>(classes_++) : 0;

    // The trie, with -1 for a missing edge.
    next_.assign(classes_, -1);
    firstOut_.assign(1, kNone);
    for (size_t i = 0; i < patterns.size(); ++i) {
        const int32_t index = static_cast<int32_t>(i);
        lowestIndex_ = std::min(lowestIndex_, index);
        if (patterns[i].empty()) {
            emptyPattern_ = std::min(emptyPattern_, index);
            continue;
        }
        int32_t state = 0;
        for (unsigned char c : patterns[i]) {
            int32_t& edge = next_[state * classes_ + classOf_[c]];
            if (edge < 0) {
                edge = static_cast<int32_t>(firstOut_.size());
                firstOut_.push_back(kNone);
                next_.resize(next_.size() + classes_, -1);
            }
            state = next_[state * classes_ + classOf_[c]];
        }
        firstOut_[state] = std::min(firstOut_[state], index);
    }

    // Breadth first: failure links fill the missing edges (making a full
    // automaton), and each state inherits the outputs of its longest
    // proper suffix that is a state.
    std::vector<int32_t> fail(firstOut_.size(), 0);
    std::deque<int32_t> queue;
    for (size_t c = 0; c < classes_; ++c) {
        int32_t& edge = next_[c];
        if (edge < 0) {
            edge = 0;
        } else {
            fail[edge] = 0;
            queue.push_back(edge);
        }
    }
    while (!queue.empty()) {
        const int32_t state = queue.front();
        queue.pop_front();
        firstOut_[state] = std::min(firstOut_[state], firstOut_[fail[state]]);
        for (size_t c = 0; c < classes_; ++c) {
            int32_t& edge = next_[state * classes_ + c];
            const int32_t viaFail = next_[fail[state] * classes_ + c];
            if (edge < 0) {
                edge = viaFail;
            } else {
                fail[edge] = viaFail;
                queue.push_back(edge);
            }
        }
    }
}

long MultiPatternFinder::firstIn(std::string_view text) const {
    int32_t best = emptyPattern_;
    if (best == lowestIndex_ && best != kNone) return best;
    if (firstOut_.size() > 1) {
        int32_t state = 0;
        for (unsigned char c : text) {
            state = next_[state * classes_ + classOf_[c]];
            if (firstOut_[state] < best) {
                best = firstOut_[state];
                if (best == lowestIndex_) break;
            }
        }
    }
    return best == kNone ? -1 : best;
}

}  // namespace tb
