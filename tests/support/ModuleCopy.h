// Copies of a resource module with some of its resources changed, made with
// the platform's resource update functions: the kind of module a
// translator, a careless vendor or an attacker could put beside the program.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// A string-table entry and its new text; an empty text removes the entry.
using MODULE_STRING = std::pair<UINT, std::string>;

// Loads a module as the program does: as image resources, never run.
HMODULE LoadModuleAsData(const std::string& strPath);

// Copies strSource to strTarget with the given entries of its string table
// (US English, the module's language) replaced. Texts are in the ANSI code
// page.
bool CopyModuleWithStrings(const std::string& strSource, const std::string& strTarget,
                           const std::vector<MODULE_STRING>& strings);

// Copies strSource to strTarget with every resource but nID of type pszType.
bool CopyModuleWithoutResource(const std::string& strSource, const std::string& strTarget, LPCSTR pszType, UINT nID);
