// The smallest dialog program the end-to-end driver is proved against, and
// the yardstick for how long a dialog takes to show and close under Wine:
// a dialog built from an in-memory template with a static text (1001) and
// an OK button (1). It traces to the debug output when shown, when its text
// changes, and when it closes.
//
// Argument "quit": ends at once with exit code 3, without a window.
// Argument "long": also sends one long trace (5000 characters, no line end).
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const int kMessageId = 1001;
const UINT kShowReady = WM_APP + 1;
bool g_bLongTrace = false;

// Appends a WORD-aligned text of a dialog template in UTF-16.
void AppendText(std::vector<WORD>& words, const char* psz)
{
    for (; *psz; ++psz)
        words.push_back(static_cast<WORD>(static_cast<unsigned char>(*psz)));
    words.push_back(0);
}

void AlignToDword(std::vector<WORD>& words)
{
    if (words.size() % 2)
        words.push_back(0);
}

void AppendItem(std::vector<WORD>& words, DWORD dwStyle, short x, short y, short cx, short cy, WORD id, WORD atomClass,
                const char* pszText)
{
    AlignToDword(words);
    DLGITEMTEMPLATE item = {};
    item.style = dwStyle | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    const WORD* pWords = reinterpret_cast<const WORD*>(&item);
    words.insert(words.end(), pWords, pWords + sizeof(item) / sizeof(WORD));
    words.push_back(0xFFFF);
    words.push_back(atomClass);
    AppendText(words, pszText);
    words.push_back(0);  // no creation data
}

std::vector<WORD> BuildTemplate()
{
    std::vector<WORD> words;
    DLGTEMPLATE dialog = {};
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    dialog.cdit = 2;
    dialog.cx = 160;
    dialog.cy = 60;
    const WORD* pWords = reinterpret_cast<const WORD*>(&dialog);
    words.insert(words.end(), pWords, pWords + sizeof(dialog) / sizeof(WORD));
    words.push_back(0);  // no menu
    words.push_back(0);  // default class
    AppendText(words, "Minimal Dialog");
    AppendItem(words, SS_LEFT, 10, 10, 140, 12, kMessageId, 0x0082, "Starting");
    AppendItem(words, BS_DEFPUSHBUTTON | WS_TABSTOP, 55, 36, 50, 14, IDOK, 0x0080, "OK");
    return words;
}

INT_PTR CALLBACK DialogProc(HWND hDlg, UINT nMessage, WPARAM wParam, LPARAM)
{
    switch (nMessage) {
    case WM_INITDIALOG:
        OutputDebugStringA("Minimal dialog shown\n");
        PostMessageA(hDlg, kShowReady, 0, 0);
        return TRUE;
    case kShowReady:
        SetDlgItemTextA(hDlg, kMessageId, "Ready");
        OutputDebugStringA("Ready\n");
        if (g_bLongTrace)
            OutputDebugStringA(std::string(5000, 'x').c_str());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            OutputDebugStringA("Closing\n");
            EndDialog(hDlg, LOWORD(wParam) == IDOK ? 7 : 8);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR pszCmdLine, int)
{
    if (std::strstr(pszCmdLine, "quit"))
        return 3;
    g_bLongTrace = std::strstr(pszCmdLine, "long") != nullptr;
    const std::vector<WORD> words = BuildTemplate();
    return static_cast<int>(
        DialogBoxIndirectParamA(hInstance, reinterpret_cast<const DLGTEMPLATE*>(words.data()), nullptr, DialogProc, 0));
}
