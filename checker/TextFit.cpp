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

// The station window's texts that stand in its controls, with sample
// texts as long as they may well be: the record's path and why it failed
// (the platform's message), and counters of three digits.
const struct
{
    UINT nString;
    int nControl;
    const char* apszSamples[3];
} kStationTexts[] = {
    {IDS_STATION_RECORD_FAILED,
     IDC_STATION_MESSAGE,
     {"D:\\Production\\Line 2\\station-record.csv", "error 112 (There is not enough space on the disk.)"}},
    {IDS_STATION_CLOSING, IDC_STATION_MESSAGE, {}},
    {IDS_STATION_COUNTS, IDC_STATION_COUNTS, {"999", "999", "999"}},
};

// Dialog nDialog's template, its font's point size scaled to nDpi: a
// font of 12 points at 96 DPI has the pixels of one of 8 points at 144.
// Empty when there is none, or when another DPI is asked of a template
// that is not of the extended form with a font.
std::vector<BYTE> ScaledTemplate(UINT nDialog, int nDpi)
{
    const char* pszName = MAKEINTRESOURCEA(nDialog);
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
    CMeasuredDialog(UINT nDialog, const std::vector<BYTE>& dialogTemplate)
        : m_hDlg(dialogTemplate.empty()
                     ? nullptr
                     : CreateDialogIndirectParamA(AfxFindResourceHandle(MAKEINTRESOURCEA(nDialog), RT_DIALOG),
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

// A warning when strText, string nString, needs more room than control
// nControl of hDlg has; an empty text, or no such control, is none.
void CheckTextFits(HWND hDlg, UINT nString, int nControl, const CString& strText, int nDpi, const char* pszPlace,
                   CCheckReport& report)
{
    HWND hControl = GetDlgItem(hDlg, nControl);
    if (!hControl || strText.IsEmpty())
        return;
    RECT rcClient = {};
    GetClientRect(hControl, &rcClient);
    const SIZE needed = MeasureText(hControl, strText, rcClient);
    if (needed.cx <= rcClient.right && needed.cy <= rcClient.bottom)
        return;
    CString strFinding;
    strFinding.Format("string %u does not fit control %d at %d DPI: it needs %ldx%ld pixels of %ldx%ld", nString,
                      nControl, nDpi, needed.cx, needed.cy, rcClient.right, rcClient.bottom);
    report.AddWarning(pszPlace, strFinding);
}

// The station window's, where the module holds one (its list needs its
// class, as the progress bar does).
void CheckStationTextsFit(int nDpi, const char* pszPlace, CCheckReport& report)
{
    AfxInitCommonControls(ICC_LISTVIEW_CLASSES);
    const CMeasuredDialog dialog(IDD_STATION, ScaledTemplate(IDD_STATION, nDpi));
    if (!dialog.Get())
        return;
    for (const auto& text : kStationTexts) {
        CString strText;
        strText.FormatText(text.nString, text.apszSamples[0], text.apszSamples[1], text.apszSamples[2]);
        CheckTextFits(dialog.Get(), text.nString, text.nControl, strText, nDpi, pszPlace, report);
    }
}

void CheckUpdateTextsFit(int nDpi, const char* pszPlace, CCheckReport& report)
{
    AfxInitCommonControls(ICC_PROGRESS_CLASS);  // a template may hold a progress bar
    const CMeasuredDialog dialog(IDD_UPDATE_DIALOG, ScaledTemplate(IDD_UPDATE_DIALOG, nDpi));
    if (!dialog.Get())
        return;  // no template (its own finding says so), or no display to make it on
    CString strText;
    for (const FIT_TEXT& text : kTexts) {
        CString strSecond(kSampleRelease);
        if (text.nSecondText)
            strSecond.LoadString(text.nSecondText);
        strText.FormatText(text.nString, kSampleDevice, strSecond);
        CheckTextFits(dialog.Get(), text.nString, text.nControl, strText, nDpi, pszPlace, report);
    }
}

}  // namespace

void CheckTextsFit(int nDpi, const char* pszPlace, CCheckReport& report)
{
    CheckUpdateTextsFit(nDpi, pszPlace, report);
    CheckStationTextsFit(nDpi, pszPlace, report);
}
