#include "TaskbarButton.h"

CTaskbarButton::~CTaskbarButton()
{
    Release();
}

void CTaskbarButton::UseList(ITaskbarList3* pList)
{
    Release();
    m_pList = pList;
    if (m_pList)
        m_pList->AddRef();
}

void CTaskbarButton::ShowProgress(HWND hWnd, ULONGLONG nDone, ULONGLONG nTotal)
{
    m_nDone = nDone;
    m_nTotal = nTotal;
    if (ITaskbarList3* pList = GetList())
        pList->SetProgressValue(hWnd, nDone, nTotal);
}

void CTaskbarButton::ShowState(HWND hWnd, TBPFLAG state)
{
    m_state = state;
    if (ITaskbarList3* pList = GetList())
        pList->SetProgressState(hWnd, state);
}

// A value first: it would turn the state back to normal.
void CTaskbarButton::ShowAgain(HWND hWnd)
{
    if (!m_bTried || !m_pList)
        return;  // nothing shown yet, or no list to show it with
    if (m_nTotal)
        m_pList->SetProgressValue(hWnd, m_nDone, m_nTotal);
    m_pList->SetProgressState(hWnd, m_state);
}

void CTaskbarButton::Release()
{
    if (m_pList)
        m_pList->Release();
    m_pList = nullptr;
    if (m_bComStarted)
        CoUninitialize();
    m_bComStarted = false;
    m_bTried = false;
    m_nDone = m_nTotal = 0;
    m_state = TBPF_NOPROGRESS;
}

// A thread whose COM runs in the other model already (RPC_E_CHANGED_MODE)
// can still make the list; only a start of our own is undone by Release.
ITaskbarList3* CTaskbarButton::GetList()
{
    if (m_bTried)
        return m_pList;
    m_bTried = true;
    if (!m_pList) {
        m_bComStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        void* pList = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &pList)))
            m_pList = static_cast<ITaskbarList3*>(pList);
    }
    if (m_pList && FAILED(m_pList->HrInit())) {
        m_pList->Release();
        m_pList = nullptr;
    }
    return m_pList;
}
