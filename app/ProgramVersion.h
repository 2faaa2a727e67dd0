// The program's file version as its version record states it ("1.1.2.0").
#pragma once

#include "AfxString.h"

// Empty when the executable carries no version record.
CString GetProgramVersion();
