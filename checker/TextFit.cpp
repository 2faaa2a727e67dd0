#include "TextFit.h"

#include "AfxModuleState.h"
#include "AfxProgressCtrl.h"
#include "AfxResourceData.h"
#include "resource.h"

#include <commctrl.h>

#include <vector>

const int kFitDpis[2] = {96, 144};

namespace {

const char kSampleDevice[] = "Pelkin Model B Portable";
const char kSampleRelease[] = "0201";

struct FIT_TEXT
{
    UINT nString;
    int nControl;
    UINT nSecondText;  // the string given as its second text; 0: a release
};

// The Eject button is made as large as the OK button beside it.
const FIT_TEXT kTexts[] = {
    {IDS_UPDATE_DONE, IDC_MESSAGE, 0},
    {IDS_COPY_FAILED, IDC_MESSAGE, 0},
    {IDS_DEVICE_NOT_FOUND, IDC_MESSAGE, 0},
    {IDS_SEARCHING, IDC_MESSAGE, 0},
    {IDS_VERSION_REFUSED, IDC_MESSAGE, 0},
    {IDS_NO_ROOM, IDC_MESSAGE, 0},
    {IDS_EJECTED, IDC_MESSAGE, 0},
    {IDS_EJECT_VETOED, IDC_MESSAGE, IDS_EJECT_HOLDER},
    {IDS_EJECT_FAILED, IDC_MESSAGE, 0},
    {IDS_UPDATING, IDC_BUSY_TEXT, 0},
    {IDS_RETRY_BUTTON, IDOK, 0},
    {IDS_CLOSE_BUTTON, IDOK, 0},
    {IDS_EJECT_BUTTON, IDOK, 0},
};

// The update dialog's template, its font's point size scaled to nDpi: a
// font of 12 points at 96 DPI has the pixels of one of 8 points at 144.
// Empty when there is none, or when another DPI is asked of a template
// that is not of the extended form with a font.
std::vector<BYTE> ScaledTemplate(int nDpi)
{
    const char* pszName = MAKEINTRESOURCEA(IDD_UPDATE_DIALOG);
    HINSTANCE hModule = AfxFindResourceHandle(pszName, RT_DIALOG);
    HRSRC hFound = FindResourceA(hModule, pszName, RT_DIALOG);
    HGLOBAL hData = hFound ? LoadResource(hModule, hFound) : nullptr;
    const BYTE* pData = hData ? static_cast<const BYTE*>(LockResource(hData)) : nullptr;
    if (!pData)
        return std::vector<BYTE>();
    std::vector<BYTE> copy(pData, pData + SizeofResource(hModule, hFound));
    if (nDpi == kFitDpis[0])
        return copy;
    AFX_DIALOG_TEMPLATE dialog;
    if (!AfxReadDialogTemplate(copy.data(), static_cast<DWORD>(copy.size()), dialog) || !dialog.bExtended ||
        !dialog.nPointSizeAt)
        return std::vector<BYTE>();
    WORD* pPointSize = reinterpret_cast<WORD*>(copy.data() + dialog.nPointSizeAt);
    *pPointSize = static_cast<WORD>(MulDiv(*pPointSize, nDpi, kFitDpis[0]));
    return copy;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A hidden dialog made from a template, destroyed when it goes.
class CMeasuredDialog
{
public:
    explicit CMeasuredDialog(const std::vector<BYTE>& dialogTemplate)
        : m_hDlg(dialogTemplate.empty()
                     ? nullptr
                     : CreateDialogIndirectParamA(AfxFindResourceHandle(MAKEINTRESOURCEA(IDD_UPDATE_DIALOG), RT_DIALOG),
                                                  reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), nullptr,
                                                  QuietDialogProc, 0))
    {}
    ~CMeasuredDialog()
    {
        if (m_hDlg)
            DestroyWindow(m_hDlg);
    }
    CMeasuredDialog(const CMeasuredDialog&) = delete;
    CMeasuredDialog& operator=(const CMeasuredDialog&) = delete;
    HWND Get() const { return m_hDlg; }

private:
    HWND m_hDlg;
};

// The size strText needs in hControl's font, wrapped at its client width.
SIZE MeasureText(HWND hControl, const CString& strText, const RECT& rcClient)
{
    RECT rcText = {0, 0, rcClient.right, 0};
    HDC hDC = GetDC(hControl);
    if (hDC) {
        const HGDIOBJ hFont = reinterpret_cast<HGDIOBJ>(SendMessageA(hControl, WM_GETFONT, 0, 0));
        const HGDIOBJ hEarlier = hFont ? SelectObject(hDC, hFont) : nullptr;
        DrawTextA(hDC, strText, -1, &rcText, DT_CALCRECT | DT_WORDBREAK);
        if (hEarlier)
            SelectObject(hDC, hEarlier);
        ReleaseDC(hControl, hDC);
    }
    const SIZE size = {rcText.right - rcText.left, rcText.bottom - rcText.top};
    return size;
}

}  // namespace

void CheckTextsFit(int nDpi, const char* pszPlace, CCheckReport& report)
{
    AfxInitCommonControls(ICC_PROGRESS_CLASS);  // a template may hold a progress bar
    const CMeasuredDialog dialog(ScaledTemplate(nDpi));
    if (!dialog.Get())
        return;  // no template (its own finding says so), or no display to make it on
    CString strText;
    CString strFinding;
    for (const FIT_TEXT& text : kTexts) {
        HWND hControl = GetDlgItem(dialog.Get(), text.nControl);
        CString strSecond(kSampleRelease);
        if (text.nSecondText)
            strSecond.LoadString(text.nSecondText);
        strText.FormatText(text.nString, kSampleDevice, strSecond);
        if (!hControl || strText.IsEmpty())
            continue;
        RECT rcClient = {};
        GetClientRect(hControl, &rcClient);
        const SIZE needed = MeasureText(hControl, strText, rcClient);
        if (needed.cx <= rcClient.right && needed.cy <= rcClient.bottom)
            continue;
        strFinding.Format("string %u does not fit control %d at %d DPI: it needs %ldx%ld pixels of %ldx%ld",
                          text.nString, text.nControl, nDpi, needed.cx, needed.cy, rcClient.right, rcClient.bottom);
        report.AddWarning(pszPlace, strFinding);
    }
}
