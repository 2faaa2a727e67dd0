// The framework: our small stand-in for the part of MFC the program uses.
#pragma once

#include "AfxButton.h"
#include "AfxCmdTarget.h"
#include "AfxDataExchange.h"
#include "AfxDialog.h"
#include "AfxFileFind.h"
#include "AfxMenu.h"
#include "AfxModuleFolder.h"
#include "AfxModuleState.h"
#include "AfxPaintDC.h"
#include "AfxProgressCtrl.h"
#include "AfxStatic.h"
#include "AfxString.h"
#include "AfxStringArray.h"
#include "AfxWinApp.h"
#include "AfxWnd.h"
#include "AfxWorkerThread.h"
