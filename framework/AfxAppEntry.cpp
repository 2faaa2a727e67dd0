// The process's entry point. It lives in an object library of its own
// (framework_entry) so that it is linked into the program whatever the
// order of the static libraries.
#include "AfxWinApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
