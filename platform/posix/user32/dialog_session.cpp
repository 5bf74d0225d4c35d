#include "platform/posix/user32/dialog_session.h"

#include <algorithm>
#include <cstring>

#include "platform/posix/cp932/cp932.h"

namespace layer {

namespace {

std::vector<DialogSession*>& OpenSessions() {
    static std::vector<DialogSession*> sessions;
    return sessions;
}

}  // namespace

DialogSession::DialogSession(const DialogTemplate& dialogTemplate, DLGPROC procedure, LPARAM param)
    : template_(dialogTemplate),
      procedure_(procedure),
      param_(param),
      slots_(static_cast<size_t>(dialogTemplate.itemCount)) {
    OpenSessions().push_back(this);
}

DialogSession::~DialogSession() {
    std::vector<DialogSession*>& sessions = OpenSessions();
    sessions.erase(std::remove(sessions.begin(), sessions.end(), this), sessions.end());
}

DialogSession* DialogSession::FromHandle(HWND dialog) {
    for (DialogSession* session : OpenSessions())
        if (session->Handle() == dialog) return session;
    return nullptr;
}

DialogSession* DialogSession::FromItem(HWND item, int* index) {
    for (DialogSession* session : OpenSessions()) {
        for (int i = 0; i < session->ItemCount(); ++i) {
            if (session->ItemHandle(i) != item) continue;
            *index = i;
            return session;
        }
    }
    return nullptr;
}

HWND DialogSession::Handle() {
    return reinterpret_cast<HWND>(&self_);
}

HWND DialogSession::ItemHandle(int index) {
    return reinterpret_cast<HWND>(&slots_[static_cast<size_t>(index)]);
}

int DialogSession::IndexOfId(int id) const {
    for (int i = 0; i < ItemCount(); ++i)
        if (static_cast<WORD>(Item(i).id) == static_cast<WORD>(id)) return i;
    return -1;
}

BOOL DialogSession::SetText(int index, LPCSTR text) {
    if (!front_) return FALSE;
    front_->SetItemText(index, text ? Cp932ToUtf8(text, std::strlen(text)) : std::string());
    return TRUE;
}

int DialogSession::GetText(int index, LPSTR buffer, int size) const {
    if (!front_) return 0;
    const std::string text = Utf8ToCp932(front_->ItemText(index));
    return size > 0 ? static_cast<int>(CopyCut(text.data(), text.size(), buffer, static_cast<size_t>(size))) : 0;
}

void DialogSession::Initialize() {
    HWND focus = nullptr;
    for (int i = 0; i < ItemCount() && !focus; ++i)
        if (Item(i).style & WS_TABSTOP) focus = ItemHandle(i);
    procedure_(Handle(), WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param_);
}

void DialogSession::Command(int id) {
    const int index = IndexOfId(id);
    const LPARAM control = index < 0 ? 0 : reinterpret_cast<LPARAM>(ItemHandle(index));
    procedure_(Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), control);
}

void DialogSession::End(INT_PTR result) {
    ended_ = true;
    result_ = result;
}

}  // namespace layer
