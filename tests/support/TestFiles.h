// Real files for the tests: the folder of the test executable (where the
// program looks for Update.cfg and its firmware folders) and small helpers
// to build and remove files there or on a test drive.
#pragma once

#include <map>
#include <string>
#include <vector>

// The test executable's folder, ending in '\'.
std::string ExeFolder();

// Creates or replaces a file with the given bytes; creates missing folders.
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Same, with a file of nSize bytes of filler.
void WriteFileOfSize(const std::string& path, unsigned long long nSize);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
void MakeFolder(const std::string& path);
// Removes a file or a folder with everything in it; a missing path is fine.
void RemovePath(const std::string& path);
// The names of everything directly inside a folder (files and folders, in
// the order the platform lists them); empty when the folder is missing.
std::vector<std::string> ListFolder(const std::string& folder);
// Every file directly inside a folder, by name, with its bytes (folders
// left out): what a drive root holds, to compare whole.
std::map<std::string, std::string> ReadFolderFiles(const std::string& folder);
// Removes everything inside a folder (a drive root, say), keeping the folder.
void EmptyFolder(const std::string& path);
// Bytes free to the caller on the drive of a root ("E:\\"); a drive that
// can't be asked fails the test and counts 0.
unsigned long long FreeBytes(const std::string& root);

// Paths of any length, through the wide functions and the \\?\ form (path
// must be full): a file whose folders exist, and the removal of a file or a
// folder with everything in it.
void MakeLongPathFolder(const std::string& path);
void WriteLongPathFile(const std::string& path, const std::string& bytes);
void RemoveLongPath(const std::string& path);
// A file of nSize bytes that takes next to no room on disk; false when the
// platform could not make it so.
bool WriteSparseFile(const std::string& path, unsigned long long nSize);

// What Windows can't make on a drive, a Unix symbolic link or a pipe, made
// (or removed) from the Unix side: Wine starts a Unix program like any
// other, but hands back no process to wait for, so RunUnixShell waits (5 s
// at most) until entry, a Windows path, is there (bPresent) or gone; true
// when it is. UnixDrivePath: where a name in the root of test drive E: or
// F: lies (PELKIN_DRIVES).
std::string UnixDrivePath(char chLetter, const std::string& name);
bool RunUnixShell(const std::string& command, const std::string& entry, bool bPresent);
