// A folder laid out the way a vendor ships the updater: the program, its
// resource module, and an example scenario's Update.cfg, firmware folders
// and (for the demo build) hostsim.ini, copied from the build and the
// source tree that the test's environment names.
#pragma once

#include <string>
#include <vector>

// A Unix path as the Windows side sees it (drive Z: is the file system root).
std::string WindowsPathOf(const std::string& strUnixPath);
// The Windows path of the folder a variable of the environment names
// (PELKIN_APP_DIR: the built program; PELKIN_EXAMPLES: the examples).
std::string FolderFromEnvironment(const char* pszVariable);

// Copies a folder's files and sub-folders into strTarget (created).
bool CopyFolder(const std::string& strSource, const std::string& strTarget);

// Empties strFolder and lays out strProgram (a file name in the built
// program's folder) with PelkinUpdate.prm unless bWithModule is false, and
// everything of the example scenario strScenario (none when empty). Returns
// the program's path in strFolder.
std::string LayOutProgram(const std::string& strFolder, const std::string& strProgram, const std::string& strScenario,
                          bool bWithModule = true);

// File names directly inside a folder, sorted.
std::vector<std::string> ListFiles(const std::string& strFolder);
// Empty when strDriveRoot holds exactly the files of strPackage (a package
// folder), byte for byte; else what differs.
std::string CompareWithPackage(const std::string& strPackage, const std::string& strDriveRoot);
