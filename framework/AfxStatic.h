// CStatic: a static text control; the program only sets its text.
#pragma once

#include "AfxWnd.h"

class CStatic : public CWnd
{};
