// The checks of Update.cfg. The file is read with the updater's own reader
// (CUpdateCfg), so each value is what the updater gets, and each rule below
// states the updater's behaviour that the finding predicts.
#pragma once

#include "CheckReport.h"

#include "AfxStringArray.h"

// Checks Update.cfg in pszFolder (ending in '\') and adds to arrPackages
// the sections whose firmware folders are to be checked: every section
// name of the file once, in file order, but for names that can't name a
// folder beside the updater (IsPlainFolderName): those have no package;
// nor have the sections past the list of names the updater reads.
void CheckConfiguration(const char* pszFolder, CCheckReport& report, CStringArray& arrPackages);

// True when a DeviceID or VendorID value can match a device, by the
// updater's own match (IsIdTextMatch): only 0x and exactly four
// hexadecimal digits can ever be equal to an id printed "0x%04X".
bool CanMatchIdText(const char* pszValue);

// The first release (0 to 0xFFFF) the updater's version gate
// (IsReleaseAccepted) refuses; 0x10000 when it refuses none. Release texts
// sort as their numbers do, so the gate lets through exactly the releases
// below this one.
unsigned FirstRefusedRelease(const char* pszVersion);
