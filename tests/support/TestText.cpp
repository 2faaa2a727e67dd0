#include "TestText.h"

int CountOf(const std::string& strText, const std::string& strPart)
{
    int nCount = 0;
    for (size_t n = strText.find(strPart); n != std::string::npos; n = strText.find(strPart, n + 1))
        ++nCount;
    return nCount;
}
