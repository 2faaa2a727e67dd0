// Shared by the dialog tests: the resource module as the resource source,
// its strings and the template layout.
#pragma once

#include "Afx.h"

#include <string>

// Loads PelkinUpdate.prm from beside the test executable as the program
// does, once, and makes it the current resource source. Null on failure.
HINSTANCE UseResourceModule();
// Makes the test executable itself the resource source (like the program,
// it carries the icon and the version record, but no dialogs or strings);
// UseResourceModule makes the module the source again.
void UseOwnResources();

std::string Text(UINT nID);
std::string Formatted(UINT nID, const char* pszFirst, const char* pszSecond = nullptr);

// Rectangle of control nID in the update dialog's template, in the
// dialog's client coordinates, as the platform lays the template out.
RECT TemplateItemRect(int nID);
// Text of control nID in the update dialog's template.
std::string TemplateItemText(int nID);
