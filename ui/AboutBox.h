// CAboutBox: the About box, opened from the update dialog's system menu.
// Its OK or Cancel button closes it.
#pragma once

#include "Afx.h"

class CAboutBox : public CDialog
{
public:
    explicit CAboutBox(CWnd* pParent = nullptr);

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
