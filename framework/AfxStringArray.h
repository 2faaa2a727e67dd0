// CStringArray: the framework's growable array of strings.
#pragma once

#include "AfxString.h"

#include <vector>

class CStringArray
{
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    // Appends at the end and returns the new element's index.
    int Add(const char* psz);
    const CString& GetAt(int nIndex) const { return m_items[static_cast<size_t>(nIndex)]; }
    const CString& operator[](int nIndex) const { return GetAt(nIndex); }
    CString& operator[](int nIndex) { return m_items[static_cast<size_t>(nIndex)]; }
    void RemoveAll() { m_items.clear(); }

private:
    std::vector<CString> m_items;
};
