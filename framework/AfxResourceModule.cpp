#include "AfxResourceModule.h"

#include "AfxResourceData.h"

#include <algorithm>

namespace {

// The module's memory as its tables address it (by relative virtual
// address), bounded by what is mapped: a module loaded as data without
// LOAD_LIBRARY_AS_IMAGE_RESOURCE lies in memory as it lies in the file, so
// an address is found through the section that holds it.
class CModuleView
{
public:
    explicit CModuleView(HMODULE hModule);
    CModuleView(const CModuleView&) = delete;
    CModuleView& operator=(const CModuleView&) = delete;

    // Reads the headers; false with the reason when they are not those of
    // a module. The resource directory's address and size come back.
    bool ReadHeaders(DWORD& nResourceRva, DWORD& nResourceSize, CString& strReason);
    // The nBytes at nRva, or null when any of them lies outside.
    const BYTE* At(ULONGLONG nRva, ULONGLONG nBytes) const;
    ULONGLONG GetSize() const { return m_nSize; }

private:
    const BYTE* AtOffset(ULONGLONG nOffset, ULONGLONG nBytes) const;

    const BYTE* m_pBase;
    ULONGLONG m_nSize;
    bool m_bFlat;
    const IMAGE_SECTION_HEADER* m_pSections;
    WORD m_nSections;
};

CModuleView::CModuleView(HMODULE hModule)
    : m_pBase(reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(hModule) & ~static_cast<ULONG_PTR>(3))),
      m_nSize(0), m_bFlat((reinterpret_cast<ULONG_PTR>(hModule) & 3) == 1), m_pSections(nullptr), m_nSections(0)
{
    // The readable regions of the one mapping, from its start on.
    MEMORY_BASIC_INFORMATION info;
    const BYTE* pAt = m_pBase;
    while (m_pBase && VirtualQuery(pAt, &info, sizeof info) == sizeof info && info.AllocationBase == m_pBase &&
           info.State == MEM_COMMIT && !(info.Protect & (PAGE_NOACCESS | PAGE_GUARD))) {
        m_nSize += info.RegionSize;
        pAt += info.RegionSize;
    }
}

const BYTE* CModuleView::AtOffset(ULONGLONG nOffset, ULONGLONG nBytes) const
{
    if (nOffset > m_nSize || nBytes > m_nSize - nOffset)
        return nullptr;
    return m_pBase + nOffset;
}

const BYTE* CModuleView::At(ULONGLONG nRva, ULONGLONG nBytes) const
{
    if (!m_bFlat)
        return AtOffset(nRva, nBytes);
    for (WORD i = 0; i < m_nSections; ++i) {
        const IMAGE_SECTION_HEADER& section = m_pSections[i];
        if (nRva < section.VirtualAddress || nRva - section.VirtualAddress >= section.SizeOfRawData)
            continue;
        const ULONGLONG nInSection = nRva - section.VirtualAddress;
        if (nBytes > section.SizeOfRawData - nInSection)
            return nullptr;
        return AtOffset(section.PointerToRawData + nInSection, nBytes);
    }
    return nullptr;
}

bool CModuleView::ReadHeaders(DWORD& nResourceRva, DWORD& nResourceSize, CString& strReason)
{
    strReason = "its headers are not those of a module";
    const auto* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(AtOffset(0, sizeof(IMAGE_DOS_HEADER)));
    if (!pDos || pDos->e_magic != IMAGE_DOS_SIGNATURE || pDos->e_lfanew < 0)
        return false;
    const ULONGLONG nNt = static_cast<ULONGLONG>(pDos->e_lfanew);
    const ULONGLONG nOptional = nNt + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
    const DWORD* pSignature = reinterpret_cast<const DWORD*>(AtOffset(nNt, sizeof(DWORD)));
    const auto* pFile = reinterpret_cast<const IMAGE_FILE_HEADER*>(AtOffset(nNt + 4, sizeof(IMAGE_FILE_HEADER)));
    const WORD* pMagic = reinterpret_cast<const WORD*>(AtOffset(nOptional, sizeof(WORD)));
    if (!pSignature || *pSignature != IMAGE_NT_SIGNATURE || !pFile || !pMagic)
        return false;
    // Where the resource directory's entry stands in either form of header.
    const bool b64 = *pMagic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    const ULONGLONG nDirectories =
        b64 ? offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory) : offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
    const ULONGLONG nCountAt = b64 ? offsetof(IMAGE_OPTIONAL_HEADER64, NumberOfRvaAndSizes)
                                   : offsetof(IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
    const ULONGLONG nEntryEnd = nDirectories + (IMAGE_DIRECTORY_ENTRY_RESOURCE + 1) * sizeof(IMAGE_DATA_DIRECTORY);
    const DWORD* pCount = reinterpret_cast<const DWORD*>(AtOffset(nOptional + nCountAt, sizeof(DWORD)));
    if ((!b64 && *pMagic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) || pFile->SizeOfOptionalHeader < nEntryEnd || !pCount)
        return false;
    m_pSections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(AtOffset(
        nOptional + pFile->SizeOfOptionalHeader, ULONGLONG{pFile->NumberOfSections} * sizeof(IMAGE_SECTION_HEADER)));
    if (!m_pSections)
        return false;
    m_nSections = pFile->NumberOfSections;
    nResourceRva = 0;
    nResourceSize = 0;
    if (*pCount > IMAGE_DIRECTORY_ENTRY_RESOURCE) {
        const auto* pEntry = reinterpret_cast<const IMAGE_DATA_DIRECTORY*>(
            AtOffset(nOptional + nEntryEnd - sizeof(IMAGE_DATA_DIRECTORY), sizeof(IMAGE_DATA_DIRECTORY)));
        if (!pEntry)
            return false;
        nResourceRva = pEntry->VirtualAddress;
        nResourceSize = pEntry->Size;
    }
    strReason.Empty();
    return true;
}

struct TABLE_WALK
{
    const CModuleView* pView;
    DWORD nRoot;             // address of the root directory; directory offsets count from it
    ULONGLONG nEntriesLeft;  // entries a sound table can hold in the image
    const AFX_DIALOG_RULES* pDialogs;
    CString* pReason;
};

bool Fail(TABLE_WALK& walk, const char* pszReason)
{
    *walk.pReason = pszReason;
    return false;
}

// A dialog of the rules: well-formed, with the controls it must hold.
// Dialogs the rules don't name are never read.
bool IsDialogUsable(TABLE_WALK& walk, const BYTE* pData, DWORD nSize, WORD nName)
{
    const auto rule = std::find_if(walk.pDialogs->begin(), walk.pDialogs->end(),
                                   [nName](const AFX_DIALOG_RULE& dialog) { return dialog.nID == nName; });
    if (rule == walk.pDialogs->end())
        return true;
    AFX_DIALOG_TEMPLATE dialog;
    if (!AfxReadDialogTemplate(pData, nSize, dialog)) {
        walk.pReason->Format("dialog %u is not well-formed to its end", nName);
        return false;
    }
    for (DWORD nNeeded : rule->controls) {
        if (std::find(dialog.controls.begin(), dialog.controls.end(), nNeeded) == dialog.controls.end()) {
            walk.pReason->Format("dialog %u has no control %lu, which the updater needs", nName, nNeeded);
            return false;
        }
    }
    return true;
}

bool IsEntryNameInside(TABLE_WALK& walk, const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry)
{
    if (!entry.NameIsString)
        return true;
    const WORD* pLength = reinterpret_cast<const WORD*>(walk.pView->At(ULONGLONG{walk.nRoot} + entry.NameOffset, 2));
    return pLength && walk.pView->At(ULONGLONG{walk.nRoot} + entry.NameOffset + 2, *pLength * 2ULL);
}

bool IsDataWhole(TABLE_WALK& walk, DWORD nOffset, WORD nType, WORD nName)
{
    const auto* pEntry = reinterpret_cast<const IMAGE_RESOURCE_DATA_ENTRY*>(
        walk.pView->At(ULONGLONG{walk.nRoot} + nOffset, sizeof(IMAGE_RESOURCE_DATA_ENTRY)));
    if (!pEntry)
        return Fail(walk, "a resource's data entry lies outside the image");
    const BYTE* pData = walk.pView->At(pEntry->OffsetToData, pEntry->Size);
    if (!pData)
        return Fail(walk, "a resource's data lies outside the image");
    WORD anLengths[AFX_STRINGS_PER_BLOCK];
    if (nType == LOWORD(RT_STRING) && AfxReadStringBlock(pData, pEntry->Size, anLengths) < AFX_STRINGS_PER_BLOCK)
        return Fail(walk, "a string block's lengths run past its data");
    if (nType == LOWORD(RT_DIALOG))
        return IsDialogUsable(walk, pData, pEntry->Size, nName);
    return true;
}

// Type, name and language: directories at the first two levels, data
// entries at the third, as the platform's lookups take them.
bool IsDirectoryWhole(TABLE_WALK& walk, DWORD nOffset, int nLevel, WORD nType, WORD nName)
{
    const auto* pDirectory = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(
        walk.pView->At(ULONGLONG{walk.nRoot} + nOffset, sizeof(IMAGE_RESOURCE_DIRECTORY)));
    if (!pDirectory)
        return Fail(walk, "a resource directory lies outside the image");
    const ULONGLONG nEntries = ULONGLONG{pDirectory->NumberOfNamedEntries} + pDirectory->NumberOfIdEntries;
    const auto* pEntries = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(
        walk.pView->At(ULONGLONG{walk.nRoot} + nOffset + sizeof(IMAGE_RESOURCE_DIRECTORY),
                       nEntries * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY)));
    if (!pEntries)
        return Fail(walk, "a resource directory's entries lie outside the image");
    // Directories that share entries (or hold their own parent) would be
    // read again and again: more entries than the image can hold is a fault.
    if (nEntries > walk.nEntriesLeft)
        return Fail(walk, "the resource directories lead round in circles");
    walk.nEntriesLeft -= nEntries;
    for (ULONGLONG i = 0; i < nEntries; ++i) {
        const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry = pEntries[i];
        if (!IsEntryNameInside(walk, entry))
            return Fail(walk, "a resource's name lies outside the image");
        const WORD nId = entry.NameIsString ? 0 : entry.Id;
        if ((nLevel < 2) != (entry.DataIsDirectory != 0))
            return Fail(walk, "a resource directory is not three levels deep");
        const bool bWhole = nLevel < 2 ? IsDirectoryWhole(walk, entry.OffsetToDirectory, nLevel + 1,
                                                          nLevel == 0 ? nId : nType, nLevel == 1 ? nId : nName)
                                       : IsDataWhole(walk, entry.OffsetToData, nType, nName);
        if (!bWhole)
            return false;
    }
    return true;
}

// What stands under a module's name when it is no plain file on a disk
// ("a pipe"), else null (a plain file, or nothing that can be opened: the
// loader says why). Opened without any access, which reads nothing: a
// pipe or a device may never answer a read (under Wine a Unix FIFO is a
// pipe), and the loader takes either for a missing file.
const char* DescribeNonPlainFile(LPCSTR lpszPath)
{
    HANDLE hFile = CreateFileA(lpszPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return nullptr;
    const DWORD dwType = GetFileType(hFile);
    CloseHandle(hFile);
    switch (dwType) {
    case FILE_TYPE_DISK:
        return nullptr;
    case FILE_TYPE_PIPE:
        return "a pipe";
    case FILE_TYPE_CHAR:
        return "a character device";
    }
    return "of no type the host names";
}

}  // namespace

int AfxCheckResourceTables(HMODULE hModule, const AFX_DIALOG_RULES& dialogs, CString& strReason)
{
    CModuleView view(hModule);
    DWORD nRoot = 0;
    DWORD nSize = 0;
    if (!view.ReadHeaders(nRoot, nSize, strReason))
        return 0;
    if (nRoot == 0 || nSize == 0)
        return 1;
    TABLE_WALK walk = {&view, nRoot, view.GetSize() / sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY), &dialogs, &strReason};
    return IsDirectoryWhole(walk, 0, 0, 0, 0) ? 1 : 0;
}

CResourceModule::CResourceModule(LPCSTR lpszPath) : m_hModule(lpszPath ? AfxLoadResourceModule(lpszPath) : nullptr) {}

void CResourceModule::Close()
{
    if (m_hModule)
        FreeLibrary(m_hModule);
    m_hModule = nullptr;
}

AFX_MODULE_LOAD CResourceModule::Load(LPCSTR lpszPath, const AFX_DIALOG_RULES& dialogs)
{
    Close();
    AFX_MODULE_LOAD load = {AFX_MODULE_HELD, ERROR_SUCCESS, CString()};
    if (const char* pszKind = DescribeNonPlainFile(lpszPath)) {
        load.fault = AFX_MODULE_NOT_PLAIN;
        load.strReason = CString(pszKind) + ", not a plain file: it is never read";
        return load;
    }
    m_hModule = AfxLoadResourceModule(lpszPath);
    if (!m_hModule) {
        load.fault = AFX_MODULE_NOT_LOADED;
        load.dwError = GetLastError();
    } else if (!AfxCheckResourceTables(m_hModule, dialogs, load.strReason)) {
        load.fault = AFX_MODULE_CORRUPT;
        Close();
    }
    return load;
}
