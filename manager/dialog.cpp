#include "manager/dialog.h"

#include <cerrno>
#include <cstdlib>

#include "common/com_error.h"

namespace tb::manager {

namespace {
constexpr char kCaption[] = "Tamberly";

// A whole number with optional blanks around it and an optional sign, as
// the integer exchange accepts it.
bool parseInteger(const std::string& text, long& value) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(p, &end, 10);
    if (end == p || errno == ERANGE) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0';
}
}  // namespace

HINSTANCE appInstance() {
    return GetModuleHandleA(nullptr);
}

std::string loadString(UINT id) {
    char buffer[1024] = "";
    const int n = LoadStringA(appInstance(), id, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? n : 0);
}

int showMessage(HWND owner, const std::string& text, UINT type) {
    return MessageBoxA(owner, text.c_str(), kCaption, type);
}

void reportServiceError(HWND owner, const ComCallError& error) {
    showMessage(owner,
                std::string("Tamberly could not complete a request to its filtering service.\n\n") +
                    error.what(),
                MB_OK | MB_ICONSTOP);
}

// --- DataExchange ---------------------------------------------------------

HWND DataExchange::prepare(int id) {
    last_ = dialog_.item(id);
    char cls[16] = "";
    GetClassNameA(last_, cls, sizeof cls);
    lastIsEdit_ = lstrcmpiA(cls, "Edit") == 0;
    return last_;
}

void DataExchange::fail() {
    if (last_) {
        SetFocus(last_);
        if (lastIsEdit_) SendMessageA(last_, EM_SETSEL, 0, -1);
    }
    throw ExchangeFailed{};
}

void DataExchange::failWith(const std::string& message) {
    showMessage(dialog_.hwnd(), message, MB_OK | MB_ICONEXCLAMATION);
    fail();
}

void DataExchange::text(int id, std::string& value) {
    HWND control = prepare(id);
    if (saving_) {
        value = windowText(control);
    } else {
        setWindowText(control, value);
    }
}

void DataExchange::integer(int id, int& value) {
    HWND control = prepare(id);
    if (!saving_) {
        setWindowText(control, std::to_string(value));
        return;
    }
    long parsed = 0;
    if (!parseInteger(windowText(control), parsed) || parsed < INT_MIN || parsed > INT_MAX) {
        failWith("Please enter an integer.");
    }
    value = static_cast<int>(parsed);
}

void DataExchange::integer(int id, short& value) {
    HWND control = prepare(id);
    if (!saving_) {
        setWindowText(control, std::to_string(value));
        return;
    }
    long parsed = 0;
    if (!parseInteger(windowText(control), parsed) || parsed < SHRT_MIN || parsed > SHRT_MAX) {
        failWith("Please enter an integer.");
    }
    value = static_cast<short>(parsed);
}

void DataExchange::radio(int firstId, int& index) {
    HWND button = prepare(firstId);
    if (saving_) index = -1;
    for (int i = 0; button; ++i) {
        if (saving_) {
            if (SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED) index = i;
        } else {
            SendMessageA(button, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        button = GetWindow(button, GW_HWNDNEXT);
        if (!button || (GetWindowLongA(button, GWL_STYLE) & WS_GROUP)) break;
        const LONG type = GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK;
        if (type != BS_RADIOBUTTON && type != BS_AUTORADIOBUTTON) break;
    }
}

void DataExchange::check(int id, int& value) {
    HWND control = prepare(id);
    if (saving_) {
        value = static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0));
    } else {
        SendMessageA(control, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

// --- DialogBase -----------------------------------------------------------

bool DialogBase::updateData(bool save) {
    const bool outer = !exchanging_;
    exchanging_ = true;
    bool ok = true;
    try {
        DataExchange dx(*this, save);
        doDataExchange(dx);
    } catch (const ExchangeFailed&) {
        ok = false;
    } catch (...) {
        if (outer) exchanging_ = false;
        throw;
    }
    if (outer) exchanging_ = false;
    return ok;
}

int DialogBase::messageBox(const std::string& text, UINT type) {
    return showMessage(hwnd_, text, type);
}
int DialogBase::messageBox(UINT stringId, UINT type) {
    return showMessage(hwnd_, loadString(stringId), type);
}

INT_PTR DialogBase::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            return onInitDialog();
        case WM_COMMAND:
            // Notifications raised by the page's own data exchange are not
            // the parent's doing.
            if (exchanging_ && isControlNotification(lParam)) return TRUE;
            return onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (!onNotify(reinterpret_cast<NMHDR*>(lParam), result)) return FALSE;
            setMessageResult(result);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

INT_PTR DialogBase::dispatch(DialogBase* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!self) return FALSE;
    try {
        return self->handleMessage(msg, wParam, lParam);
    } catch (const ComCallError& error) {
        // The operation is abandoned; the dialog stays as it is.
        reportServiceError(hwnd, error);
        return msg == WM_INITDIALOG ? TRUE : FALSE;
    }
}

// --- ModalDialog ------------------------------------------------------------

INT_PTR ModalDialog::doModal() {
    return DialogBoxParamA(appInstance(), MAKEINTRESOURCEA(templateId_), parent_, modalProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ModalDialog::modalProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<DialogBase*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        static_cast<ModalDialog*>(self)->hwnd_ = hwnd;
    }
    return dispatch(fromWindow(hwnd), hwnd, msg, wParam, lParam);
}

bool ModalDialog::onCommand(int id, int code, HWND) {
    if (id == IDOK) {
        onOK();
        return true;
    }
    if (id == IDCANCEL) {
        onCancel();
        return true;
    }
    return false;
}

}  // namespace tb::manager
