/* A module with code in place of PelkinUpdate.prm: when anything runs its
   entry point, it leaves DllMainRan.txt beside itself. The program must
   only ever read its resource module, never run it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD nReason, LPVOID pReserved)
{
    (void)pReserved;
    if (nReason == DLL_PROCESS_ATTACH) {
        char szPath[MAX_PATH + 16] = {0};
        DWORD nLength = GetModuleFileNameA(hInstance, szPath, MAX_PATH);
        while (nLength > 0 && szPath[nLength - 1] != '\\')
            --nLength;
        lstrcpyA(szPath + nLength, "DllMainRan.txt");
        HANDLE hFile = CreateFileA(szPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (hFile != INVALID_HANDLE_VALUE)
            CloseHandle(hFile);
    }
    return TRUE;
}
