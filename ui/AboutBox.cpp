#include "AboutBox.h"

#include "resource.h"

BEGIN_MESSAGE_MAP(CAboutBox, CDialog)
END_MESSAGE_MAP()

CAboutBox::CAboutBox(CWnd* pParent) : CDialog(IDD_ABOUT, pParent) {}

void CAboutBox::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}
