// CUpdateCfg: short-lived reader of Update.cfg, the profile file beside the
// executable that lists the supported device models, one section each.
// Every call reads the file anew through the platform's profile reader.
#pragma once

#include "AfxString.h"
#include "AfxStringArray.h"

// Characters of a value (or of the list of section names) that reach the
// program: the reader cuts what goes beyond.
const int kCfgValueChars = MAX_PATH - 1;

class CUpdateCfg
{
public:
    // Update.cfg beside the executable.
    CUpdateCfg();
    // Update.cfg in pszFolder (ending in '\'); a path that doesn't fit
    // MAX_PATH names no file.
    explicit CUpdateCfg(const char* pszFolder);
    virtual ~CUpdateCfg();

    // Full path of Update.cfg into strPath; 0 (strPath unchanged) when the
    // executable's own path can't be had or doesn't fit MAX_PATH.
    int BuildCfgPath(CString& strPath);

    // Appends the section names, in file order, to arrNames (which is not
    // emptied first). The list is read into 260 bytes, cut as the platform
    // cuts it. Returns 1.
    int GetSectionNames(CStringArray& arrNames);

    // Each reads its key of pszSection into strValue (empty when missing;
    // at most 259 characters) and returns 1 when the value is non-empty.
    int ReadDeviceID(const char* pszSection, CString& strValue);
    int ReadDeviceName(const char* pszSection, CString& strValue);
    int ReadVersion(const char* pszSection, CString& strValue);
    int ReadVendorID(const char* pszSection, CString& strValue);

    // The same reads with room for everything the file holds, for the
    // package checker: what they give beyond the two above is what the
    // program never sees. Each returns 1, or 0 when the file is out of
    // reach or too large to read whole (then nothing is filled in).
    int GetAllSectionNames(CStringArray& arrNames);
    int ReadWholeValue(const char* pszSection, const char* pszKey, CString& strValue);

private:
    int ReadKey(const char* pszSection, const char* pszKey, CString& strValue);

    CString m_strCfgPath;  // empty when the executable's path can't be had
    CString m_strSection;  // the section the latest key read addressed
};
