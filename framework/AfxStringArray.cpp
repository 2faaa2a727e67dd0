#include "AfxStringArray.h"

int CStringArray::Add(const char* psz)
{
    m_items.emplace_back(psz);
    return GetSize() - 1;
}
