#include "ModuleCopy.h"

#include <algorithm>

namespace {

const WORD kLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
LPCSTR const kStringType = RT_STRING;

std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    const int nLength = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                            static_cast<int>(wide.size()));
    wide.resize(nLength > 0 ? static_cast<size_t>(nLength) : 0);
    return wide;
}

// The sixteen entries of string block nBlock as stored: each a length and
// that many UTF-16 units. A missing block is sixteen empty entries.
std::vector<std::wstring> ReadBlock(HMODULE hModule, WORD nBlock)
{
    std::vector<std::wstring> entries(16);
    HRSRC hBlock = FindResourceA(hModule, MAKEINTRESOURCEA(nBlock), kStringType);
    if (!hBlock)
        return entries;
    const WORD* pEntry = static_cast<const WORD*>(LockResource(LoadResource(hModule, hBlock)));
    const WORD* pEnd = pEntry + SizeofResource(hModule, hBlock) / sizeof(WORD);
    for (std::wstring& entry : entries) {
        if (pEntry >= pEnd)
            break;
        const size_t nLength = std::min<size_t>(*pEntry, static_cast<size_t>(pEnd - pEntry - 1));
        entry.assign(reinterpret_cast<const wchar_t*>(pEntry + 1), nLength);
        pEntry += 1 + nLength;
    }
    return entries;
}

std::vector<WORD> BlockBytes(const std::vector<std::wstring>& entries)
{
    std::vector<WORD> block;
    for (const std::wstring& entry : entries) {
        block.push_back(static_cast<WORD>(entry.size()));
        block.insert(block.end(), entry.begin(), entry.end());
    }
    return block;
}

}  // namespace

HMODULE LoadModuleAsData(const std::string& strPath)
{
    return LoadLibraryExA(strPath.c_str(), nullptr,
                          LOAD_LIBRARY_AS_DATAFILE | 0x20 /* LOAD_LIBRARY_AS_IMAGE_RESOURCE */);
}

bool CopyModuleWithStrings(const std::string& strSource, const std::string& strTarget,
                           const std::vector<MODULE_STRING>& strings)
{
    std::vector<std::pair<WORD, std::vector<std::wstring>>> blocks;
    HMODULE hSource = LoadModuleAsData(strSource);
    if (!hSource)
        return false;
    for (const MODULE_STRING& string : strings) {
        const WORD nBlock = static_cast<WORD>(string.first / 16 + 1);
        auto it = std::find_if(blocks.begin(), blocks.end(), [&](const auto& block) { return block.first == nBlock; });
        if (it == blocks.end())
            it = blocks.insert(blocks.end(), {nBlock, ReadBlock(hSource, nBlock)});
        it->second[string.first % 16] = Widen(string.second);
    }
    FreeLibrary(hSource);

    if (!CopyFileA(strSource.c_str(), strTarget.c_str(), FALSE))
        return false;
    HANDLE hUpdate = BeginUpdateResourceA(strTarget.c_str(), FALSE);
    if (!hUpdate)
        return false;
    BOOL bUpdated = TRUE;
    for (const auto& block : blocks) {
        std::vector<WORD> bytes = BlockBytes(block.second);
        bUpdated = bUpdated && UpdateResourceA(hUpdate, kStringType, MAKEINTRESOURCEA(block.first), kLanguage,
                                               bytes.data(), static_cast<DWORD>(bytes.size() * sizeof(WORD)));
    }
    return EndUpdateResourceA(hUpdate, !bUpdated) && bUpdated;
}

namespace {

struct RESOURCE_COPY
{
    HANDLE hUpdate;
    LPCSTR pszLeftType;
    UINT nLeftID;
    BOOL bCopied;
};

BOOL CALLBACK CopyLanguage(HMODULE hModule, LPCSTR pszType, LPCSTR pszName, WORD nLanguage, LONG_PTR lParam)
{
    RESOURCE_COPY& copy = *reinterpret_cast<RESOURCE_COPY*>(lParam);
    if (pszType == copy.pszLeftType && pszName == MAKEINTRESOURCEA(copy.nLeftID))
        return TRUE;
    HRSRC hResource = FindResourceExA(hModule, pszType, pszName, nLanguage);
    void* pData = hResource ? LockResource(LoadResource(hModule, hResource)) : nullptr;
    copy.bCopied =
        copy.bCopied && pData &&
        UpdateResourceA(copy.hUpdate, pszType, pszName, nLanguage, pData, SizeofResource(hModule, hResource));
    return copy.bCopied;
}

BOOL CALLBACK CopyName(HMODULE hModule, LPCSTR pszType, LPSTR pszName, LONG_PTR lParam)
{
    EnumResourceLanguagesA(hModule, pszType, pszName, CopyLanguage, lParam);
    return reinterpret_cast<RESOURCE_COPY*>(lParam)->bCopied;
}

BOOL CALLBACK CopyType(HMODULE hModule, LPSTR pszType, LONG_PTR lParam)
{
    EnumResourceNamesA(hModule, pszType, CopyName, lParam);
    return reinterpret_cast<RESOURCE_COPY*>(lParam)->bCopied;
}

}  // namespace

// Every resource is written anew into an emptied copy: removing one in
// place is not something every host's resource writer does.
bool CopyModuleWithoutResource(const std::string& strSource, const std::string& strTarget, LPCSTR pszType, UINT nID)
{
    if (!CopyFileA(strSource.c_str(), strTarget.c_str(), FALSE))
        return false;
    HMODULE hSource = LoadModuleAsData(strSource);
    if (!hSource)
        return false;
    RESOURCE_COPY copy = {BeginUpdateResourceA(strTarget.c_str(), TRUE), pszType, nID, TRUE};
    if (copy.hUpdate)
        EnumResourceTypesA(hSource, CopyType, reinterpret_cast<LONG_PTR>(&copy));
    FreeLibrary(hSource);
    return copy.hUpdate && EndUpdateResourceA(copy.hUpdate, !copy.bCopied) && copy.bCopied;
}
