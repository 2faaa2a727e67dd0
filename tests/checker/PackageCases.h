// Broken release folders, one for each finding of the checker: how each is
// made from a clean folder (the program, its module and the example
// "updated"), what the checker reports on it, and what the updater then
// does with a device on drive E:.
#pragma once

#include "UpdaterTexts.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

class CCheckReport;

struct EXPECTED_FINDING
{
    bool bError;
    std::string strPlace;  // as reported, whole
    std::string strText;   // a piece of the reported text
};

struct PACKAGE_CASE
{
    std::string strName;  // also the name of its folder
    std::function<void(const std::string& strFolder)> pfnBreak;
    std::vector<EXPECTED_FINDING> findings;

    // How the updater ends with a device of vendor 0x1234, nProduct and
    // nRelease on E: (nProduct 0: no run): None is without a window;
    // Updated copies strCopied and names the device strShownName.
    UPDATE_OUTCOME outcome = UPDATE_OUTCOME::None;
    unsigned nProduct = 0x1002;  // the example's Model B, release 01.05
    unsigned nRelease = 0x0105;
    unsigned nDriveMiB = 0;  // the checker's --drive-size; 0: its default
    std::string strShownName = "Pelkin Model B";
    std::string strCopied = "ModelB";
};

// Test names show the case by its name.
inline void PrintTo(const PACKAGE_CASE& packageCase, std::ostream* pOut)
{
    *pOut << packageCase.strName;
}

// The cases for folders that lie in strRoot (ending in '\').
std::vector<PACKAGE_CASE> MakePackageCases(const std::string& strRoot);

// Lays out a clean release folder (removing whatever was there), with the
// demo build beside the program when bWithDemo.
void LayOutCleanRelease(const std::string& strFolder, bool bWithDemo);
// The case's folder, laid out clean and broken.
std::string LayOutCase(const std::string& strRoot, const PACKAGE_CASE& packageCase, bool bWithDemo);

// The checker on a case's folder; the report must hold exactly the case's
// findings, in order, and its exit code must follow from them.
void CheckCase(const std::string& strFolder, const PACKAGE_CASE& packageCase, CCheckReport& report);
