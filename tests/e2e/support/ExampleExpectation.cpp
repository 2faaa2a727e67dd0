#include "ExampleExpectation.h"

#include "ProgramFolder.h"
#include "TestFiles.h"

#include <windows.h>

#include <algorithm>

namespace {

const UPDATE_OUTCOME kOutcomes[] = {UPDATE_OUTCOME::Updated,        UPDATE_OUTCOME::NotFound,
                                    UPDATE_OUTCOME::VersionRefused, UPDATE_OUTCOME::NoRoom,
                                    UPDATE_OUTCOME::CopyFailed,     UPDATE_OUTCOME::PackageDamaged};

std::string ReadValue(const std::string& strFile, const char* pszKey)
{
    char szValue[260] = {};
    GetPrivateProfileStringA("Expected", pszKey, "", szValue, sizeof szValue, strFile.c_str());
    return szValue;
}

bool OutcomeNamed(const std::string& strName, UPDATE_OUTCOME& outcome)
{
    for (UPDATE_OUTCOME known : kOutcomes) {
        if (strName == OutcomeName(known)) {
            outcome = known;
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> ListExamples()
{
    const std::string strExamples = FolderFromEnvironment("PELKIN_EXAMPLES");
    std::vector<std::string> names;
    for (const std::string& strName : ListFolder(strExamples)) {
        const DWORD nAttributes = GetFileAttributesA((strExamples + "\\" + strName).c_str());
        if (nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(strName);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadExampleExpectation(const std::string& strExample, EXAMPLE_EXPECTATION& expected, std::string& strError)
{
    const std::string strFile = FolderFromEnvironment("PELKIN_EXAMPLES") + "\\" + strExample + "\\expected.ini";
    expected = EXAMPLE_EXPECTATION();
    expected.strExample = strExample;
    if (!FileExists(strFile)) {
        strError = strFile + " is missing: every example says what it ends in";
        return false;
    }
    const std::string strOutcome = ReadValue(strFile, "Outcome");
    if (!OutcomeNamed(strOutcome, expected.outcome)) {
        strError = strFile + ": Outcome \"" + strOutcome + "\" is none of the updater's outcomes";
        return false;
    }
    expected.strSection = ReadValue(strFile, "Section");
    expected.strDevice = ReadValue(strFile, "Device");
    const std::string strDrive = ReadValue(strFile, "Drive");
    if (!strDrive.empty())
        expected.strDriveRoot = strDrive + ":\\";
    expected.strVersion = ReadValue(strFile, "Version");
    expected.strDamaged = ReadValue(strFile, "Damaged");
    if (expected.outcome == UPDATE_OUTCOME::Updated && (expected.strSection.empty() || strDrive.size() != 1)) {
        strError = strFile + ": an update names its Section and the Drive letter it copies to";
        return false;
    }
    return true;
}

bool ReadEveryExampleExpectation(std::vector<EXAMPLE_EXPECTATION>& examples, std::string& strError)
{
    examples.clear();
    for (const std::string& strExample : ListExamples()) {
        examples.emplace_back();
        if (!ReadExampleExpectation(strExample, examples.back(), strError))
            return false;
    }
    if (examples.empty())
        strError = "no example folder in " + FolderFromEnvironment("PELKIN_EXAMPLES");
    return !examples.empty();
}

bool ReadExamplesThatCanEndHere(std::vector<EXAMPLE_EXPECTATION>& examples, std::string& strError)
{
    if (!ReadEveryExampleExpectation(examples, strError))
        return false;
    ULARGE_INTEGER nFree = {};
    const bool bSmallDrive = GetDiskFreeSpaceExA("E:\\", &nFree, nullptr, nullptr) && nFree.QuadPart < 3 << 20;
    if (!bSmallDrive)
        examples.erase(std::remove_if(examples.begin(), examples.end(),
                                      [](const EXAMPLE_EXPECTATION& e) { return e.outcome == UPDATE_OUTCOME::NoRoom; }),
                       examples.end());
    return true;
}

unsigned long QuietExitCode(UPDATE_OUTCOME outcome)
{
    switch (outcome) {
    case UPDATE_OUTCOME::Updated:
        return 0;
    case UPDATE_OUTCOME::NotFound:
        return 1;
    case UPDATE_OUTCOME::VersionRefused:
        return 2;
    case UPDATE_OUTCOME::NoRoom:
        return 3;
    case UPDATE_OUTCOME::CopyFailed:
        return 4;
    case UPDATE_OUTCOME::PackageDamaged:
        return 7;
    case UPDATE_OUTCOME::None:
        break;
    }
    return ~0ul;
}
