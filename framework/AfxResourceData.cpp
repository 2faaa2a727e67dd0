#include "AfxResourceData.h"

namespace {

// Reads a resource's data from its start, each read within its size. Words
// are put together byte by byte: a corrupt table may place data at an odd
// address.
class CDataReader
{
public:
    CDataReader(const BYTE* pData, DWORD nSize) : m_pData(pData), m_nSize(nSize), m_nAt(0) {}

    DWORD GetPosition() const { return m_nAt; }
    bool Skip(DWORD nBytes)
    {
        if (nBytes > m_nSize - m_nAt)
            return false;
        m_nAt += nBytes;
        return true;
    }
    bool Word(WORD& nWord)
    {
        if (m_nSize - m_nAt < sizeof(WORD))
            return false;
        nWord = static_cast<WORD>(m_pData[m_nAt] | (m_pData[m_nAt + 1] << 8));
        m_nAt += sizeof(WORD);
        return true;
    }
    bool Dword(DWORD& nDword)
    {
        WORD nLow = 0;
        WORD nHigh = 0;
        if (!Word(nLow) || !Word(nHigh))
            return false;
        nDword = nLow | (static_cast<DWORD>(nHigh) << 16);
        return true;
    }
    // A zero-terminated text of 16-bit characters.
    bool Text()
    {
        for (WORD nChar = 1; nChar != 0;) {
            if (!Word(nChar))
                return false;
        }
        return true;
    }
    // A text, or 0xFFFF and a number.
    bool TextOrNumber()
    {
        const DWORD nStart = m_nAt;
        WORD nFirst = 0;
        if (!Word(nFirst))
            return false;
        if (nFirst == 0xFFFF)
            return Skip(sizeof(WORD));
        m_nAt = nStart;
        return Text();
    }
    bool AlignDword() { return Skip((4 - m_nAt % 4) % 4); }

private:
    const BYTE* m_pData;
    DWORD m_nSize;
    DWORD m_nAt;
};

// One control of a dialog template, whose id comes back in nId.
bool ReadControl(CDataReader& reader, bool bExtended, DWORD& nId)
{
    // Help id, extended style, style, position and size, 32-bit id; or
    // style, extended style, position and size, 16-bit id.
    WORD nShortId = 0;
    WORD nCreationBytes = 0;
    const bool bId = bExtended ? reader.Skip(20) && reader.Dword(nId) : reader.Skip(16) && reader.Word(nShortId);
    if (!bExtended)
        nId = nShortId;
    return bId && reader.TextOrNumber() && reader.TextOrNumber() && reader.Word(nCreationBytes) &&
           reader.Skip(nCreationBytes);
}

}  // namespace

UINT AfxReadStringBlock(const BYTE* pData, DWORD nBytes, WORD anLengths[AFX_STRINGS_PER_BLOCK])
{
    CDataReader reader(pData, nBytes);
    UINT nWhole = 0;
    while (nWhole < AFX_STRINGS_PER_BLOCK && reader.Word(anLengths[nWhole]) && reader.Skip(anLengths[nWhole] * 2u))
        ++nWhole;
    return nWhole;
}

BOOL AfxReadDialogTemplate(const BYTE* pData, DWORD nBytes, AFX_DIALOG_TEMPLATE& dialog)
{
    CDataReader reader(pData, nBytes);
    WORD nVersion = 0;
    WORD nSignature = 0;
    if (!reader.Word(nVersion) || !reader.Word(nSignature))
        return FALSE;
    dialog.bExtended = nVersion == 1 && nSignature == 0xFFFF;
    dialog.nPointSizeAt = 0;
    dialog.controls.clear();
    WORD nControls = 0;
    if (dialog.bExtended ? !reader.Skip(8) || !reader.Dword(dialog.dwStyle) : !reader.Skip(4))
        return FALSE;
    if (!dialog.bExtended)
        dialog.dwStyle = nVersion | (static_cast<DWORD>(nSignature) << 16);
    if (!reader.Word(nControls) || !reader.Skip(8) || !reader.TextOrNumber() || !reader.TextOrNumber() ||
        !reader.Text())
        return FALSE;
    // Point size, then (extended) weight, italic and character set; face name.
    if (dialog.dwStyle & DS_SETFONT) {
        dialog.nPointSizeAt = reader.GetPosition();
        if (!reader.Skip(dialog.bExtended ? 6 : 2) || !reader.Text())
            return FALSE;
    }
    for (WORD i = 0; i < nControls; ++i) {
        DWORD nId = 0;
        if (!reader.AlignDword() || !ReadControl(reader, dialog.bExtended, nId))
            return FALSE;
        dialog.controls.push_back(nId);
    }
    return TRUE;
}
