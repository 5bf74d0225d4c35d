// An open dialog: its controls' handles and the routing of the dialog's
// messages to the procedure. The controls and their texts live in its front
// (GTK widgets).
#pragma once

#include <vector>

#include "platform/posix/backend/dialog.h"

namespace layer {

class DialogSession final : public DialogHost {
public:
    DialogSession(const DialogTemplate& dialogTemplate, DLGPROC procedure, LPARAM param);
    ~DialogSession();
    DialogSession(const DialogSession&) = delete;
    DialogSession& operator=(const DialogSession&) = delete;

    // The open dialog a handle belongs to, or null.
    static DialogSession* FromHandle(HWND dialog);
    static DialogSession* FromItem(HWND item, int* index);

    const DialogTemplate& Template() const override { return template_; }
    int ItemCount() const { return template_.itemCount; }
    const DialogItemTemplate& Item(int index) const { return template_.items[index]; }
    HWND Handle();
    HWND ItemHandle(int index);
    int IndexOfId(int id) const;

    // The face showing the dialog, from before WM_INITDIALOG until it ends.
    void SetFront(DialogFront* front) { front_ = front; }
    DialogFront* Front() const { return front_; }

    BOOL SetText(int index, LPCSTR text);
    int GetText(int index, LPSTR buffer, int size) const;

    // WM_INITDIALOG, with the first tab stop as the proposed focus.
    void Initialize();
    // WM_COMMAND with BN_CLICKED for a control id, as buttons, Enter and Esc send it.
    void Command(int id) override;
    void End(INT_PTR result);
    bool Ended() const override { return ended_; }
    INT_PTR Result() const { return result_; }

private:
    // A control's handle is the address of its slot.
    struct Slot {
        int unused;
    };

    const DialogTemplate& template_;
    DLGPROC procedure_;
    LPARAM param_;
    DialogFront* front_ = nullptr;
    Slot self_{};
    std::vector<Slot> slots_;
    bool ended_ = false;
    INT_PTR result_ = 0;
};

}  // namespace layer
