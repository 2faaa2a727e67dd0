// The program's resource modules: the default PelkinUpdate.prm, the
// source of every text and layout, and the language modules
// PelkinUpdate.NAME.prm beside it (LanguageChoice.h). Their file names,
// and the one way they are loaded, which the updater and the checker
// share: both pass over the same modules for the same reasons.
#pragma once

#include "AfxResourceModule.h"

// "PelkinUpdate.prm"
extern const char kDefaultModuleFile[];
// "PelkinUpdate.*.prm": what the file names of language modules match.
extern const char kLanguageModulePattern[];

// Whether pszName can be the NAME of a language module: letters, digits,
// '-' and '_' only (nothing that could lead out of the program's folder or
// mean anything else to a file name), at most 84 of them (a locale name's
// longest).
BOOL IsLanguageModuleName(const char* pszName);
// "PelkinUpdate.de.prm": the file name of language module NAME.
CString GetLanguageModuleFile(const char* pszName);
// The NAME in a file name of the pattern, whose parts around it are
// compared without case; FALSE when pszFile is none (or NAME is empty). It
// may be a NAME that IsLanguageModuleName refuses, and that the updater
// therefore never loads.
BOOL GetLanguageModuleName(const char* pszFile, CString& strName);

// What the updater needs of a module's dialog templates: 100, 102 and
// 103, where it holds them, well-formed to their end, and 102 with the
// message line 1001 and the OK button. The station window (103) makes do
// without any of its controls, and a module may lack it altogether.
const AFX_DIALOG_RULES& GetModuleDialogRules();

// Loads the module at pszPath (the default or a language module) into
// module, its tables checked with those rules.
AFX_MODULE_LOAD LoadProgramModule(const char* pszPath, CResourceModule& module);
