// CResourceModule: a resource module loaded as data (AfxLoadResourceModule)
// and owned: freed when the object goes, or at Close. A null path loads
// nothing.
#pragma once

#include "AfxModuleState.h"

class CResourceModule
{
public:
    explicit CResourceModule(LPCSTR lpszPath) : m_hModule(lpszPath ? AfxLoadResourceModule(lpszPath) : nullptr) {}
    ~CResourceModule() { Close(); }
    CResourceModule(const CResourceModule&) = delete;
    CResourceModule& operator=(const CResourceModule&) = delete;

    // Null when it could not be loaded, or after Close.
    HINSTANCE Get() const { return m_hModule; }
    void Close()
    {
        if (m_hModule)
            FreeLibrary(m_hModule);
        m_hModule = nullptr;
    }

private:
    HINSTANCE m_hModule;
};
