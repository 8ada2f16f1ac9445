// CWordsPage ("Words"): the parent's list of blocked words.
#pragma once

#include <string>

#include "manager/property_sheet.h"

namespace tb::manager {

class CWordsPage : public PropertyPage {
  public:
    CWordsPage();

  protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    void doDataExchange(DataExchange& dx) override;
    void onOK() override;

  private:
    void onAddWord();
    void onRemoveWord();
    std::string word_;
    bool changed_ = false;
};

}  // namespace tb::manager
