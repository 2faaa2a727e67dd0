// CDialog: a modal dialog created from a template of the current resource
// source.
#pragma once

#include "AfxWnd.h"

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

protected:
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};
