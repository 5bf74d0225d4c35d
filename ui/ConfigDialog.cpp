#include "ui/ConfigDialog.h"

#include "decode/HeaderDecoder.h"
#include "resources/ResourceIds.h"
#include "settings/Settings.h"

namespace {

// One work buffer carries each value between the settings and the edits.
const int kWorkSize = 1024;

// 次のファイルに設定を保存できませんでした。 (the settings could not be saved in this
// file), in code page 932 as the dialog's own texts.
const char kNotSaved[] =
    "\x8E\x9F\x82\xCC\x83t\x83@\x83"
    "C\x83\x8B\x82\xC9\x90\xDD\x92\xE8\x82\xF0\x95\xDB"
    "\x91\xB6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81"
    "B";
const char kCaption[] = "Letterglass";

void ShowText(HWND dialog, int id, const char* text) {
    SetWindowTextA(GetDlgItem(dialog, id), text);
}

void ShowNumber(HWND dialog, int id, int number, char* work) {
    wsprintfA(work, "%d", number);
    ShowText(dialog, id, work);
}

void ReadEdit(HWND dialog, int id, char* work) {
    GetWindowTextA(GetDlgItem(dialog, id), work, kWorkSize);
}

void ShowSettings(HWND dialog) {
    char work[kWorkSize];
    g_settings.ReadText("HOST", work, "");
    ShowText(dialog, IDC_SERVER, work);
    ShowNumber(dialog, IDC_PORT, g_settings.ReadInt("PORT", 110), work);
    g_settings.ReadText("USER", work, "");
    ShowText(dialog, IDC_USER, work);
    g_settings.ReadPassword(work);
    ShowText(dialog, IDC_PASSWORD, work);
    ShowNumber(dialog, IDC_CHECK, g_settings.ReadInt("CHECK", 1), work);
}

// All five keys, in this order, whether or not they changed; false at the first
// that could not be written.
bool SaveSettings(HWND dialog) {
    char work[kWorkSize];
    ReadEdit(dialog, IDC_SERVER, work);
    if (!g_settings.WriteText("HOST", work)) return false;
    ReadEdit(dialog, IDC_PORT, work);
    if (!g_settings.WriteInt("PORT", HeaderDecoder::LeadingNumber(work))) return false;
    ReadEdit(dialog, IDC_USER, work);
    if (!g_settings.WriteText("USER", work)) return false;
    ReadEdit(dialog, IDC_PASSWORD, work);
    if (!g_settings.WritePassword(work)) return false;
    ReadEdit(dialog, IDC_CHECK, work);
    return g_settings.WriteInt("CHECK", HeaderDecoder::LeadingNumber(work)) != 0;
}

// The dialog stays open, so what was typed can be saved again or elsewhere.
void ReportNotSaved(HWND dialog) {
    char text[kWorkSize];
    wsprintfA(text, "%s\n%s", kNotSaved, g_settings.FilePath());
    MessageBoxA(dialog, text, kCaption, MB_OK | MB_ICONERROR);
}

// The maker's notice opens the documentation page installed beside the program.
// The folder ends at the last separator outside a double-byte character (a trail
// byte may be a backslash).
void OpenNoticePage() {
    char path[MAX_PATH + sizeof NOTICE_PAGE_NAME];
    const DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    DWORD folderEnd = 0;
    for (DWORD i = 0; i < length; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < length)
            ++i;
        else if (path[i] == '\\' || path[i] == '/')
            folderEnd = i + 1;
    }
    wsprintfA(path + folderEnd, "%s", NOTICE_PAGE_NAME);
    ShellExecuteA(NULL, "open", path, NULL, NULL, SW_SHOW);
}

}  // namespace

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        ShowSettings(dialog);
    } else if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
            case IDOK:
                if (SaveSettings(dialog))
                    EndDialog(dialog, IDOK);
                else
                    ReportNotSaved(dialog);
                break;
            case IDCANCEL:
                EndDialog(dialog, IDCANCEL);
                break;
            case IDC_NOTICE:
                OpenNoticePage();
                break;
        }
    }
    return 0;
}
