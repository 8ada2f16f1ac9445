// A dialog seam for core tests: records every dialog shown with its texts
// and answers with a chosen command (203, the OK button, by default).
#pragma once

#include <vector>

#include "service/dialogs/service_dialogs.h"

namespace tb::dialogs::testing {

class RecordingDialogs : public ServiceDialogs {
  public:
    struct Shown {
        int dialog;
        std::vector<ControlText> texts;
    };

    int show(int dialog, const std::vector<ControlText>& texts) override {
        shown.push_back({dialog, texts});
        return answer;
    }

    std::vector<int> ids() const {
        std::vector<int> out;
        for (const Shown& s : shown) out.push_back(s.dialog);
        return out;
    }

    std::vector<Shown> shown;
    int answer = IDC_CLOSE_OK;
};

}  // namespace tb::dialogs::testing
