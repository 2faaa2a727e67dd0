// The executable's folder: its full path cut after the last '\' (the
// separator stays). Update.cfg, the firmware folders and the resource
// module live there.
#pragma once

#include "AfxString.h"

// 1 with the folder in strFolder; 0 (strFolder unchanged) when the path
// can't be had or was cut at MAX_PATH. A path without '\' gives "".
int AfxGetModuleFolder(CString& strFolder);
