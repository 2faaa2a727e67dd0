// Whether the update dialog's texts fit their controls: each outcome
// message (the Eject button's too) and the busy text in their lines, each
// label of the OK button, and the Eject button's, in a button of its size;
// and, where the module holds the station window, the texts of its message
// line and its counters. A text is drawn as the control draws it
// (DrawText, DT_CALCRECT | DT_WORDBREAK, the dialog's font) against the
// control's client rectangle and must need no more width and no more
// height than it has.
#pragma once

#include "CheckReport.h"

// The DPIs a dialog is measured at: the template's own font size, and one
// and a half times it (a display at 150 %).
extern const int kFitDpis[2];

// Measures the texts and the dialog template that the module state's
// lookups give (a language module, then the resource source, then the
// executable, as the updater has them) at nDpi; each text that doesn't
// fit is a warning under pszPlace. Device names in messages are a sample
// of 23 characters. A template that is not of the extended form is
// measured at its own size only; without a display nothing is measured.
void CheckTextsFit(int nDpi, const char* pszPlace, CCheckReport& report);
