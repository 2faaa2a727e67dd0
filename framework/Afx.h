// The framework: our small stand-in for the part of MFC the program uses.
#pragma once

#include "AfxDialog.h"
#include "AfxFileFind.h"
#include "AfxModuleState.h"
#include "AfxString.h"
#include "AfxStringArray.h"
#include "AfxWnd.h"
