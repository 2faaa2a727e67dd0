// What an example scenario ends in, as expected.ini in its folder says, so
// that every folder of the examples is run by the tests that run them all,
// and a folder without its expectation fails them.
#pragma once

#include "UpdaterTexts.h"

#include <string>
#include <vector>

struct EXAMPLE_EXPECTATION
{
    std::string strExample;  // the folder's name
    UPDATE_OUTCOME outcome;
    std::string strSection;    // the matched section; empty: no device matched
    std::string strDevice;     // the device name the dialog's message gives
    std::string strDriveRoot;  // the target's drive root ("E:\\"); empty: none
    std::string strVersion;    // Version refused: the release the message gives
    std::string strDamaged;    // Package damaged: the file the message names
};

// The example folders' names (PELKIN_EXAMPLES), sorted.
std::vector<std::string> ListExamples();

// Reads expected.ini of example strExample; false, with the reason in
// strError, when the file is missing or names no outcome it knows.
bool ReadExampleExpectation(const std::string& strExample, EXAMPLE_EXPECTATION& expected, std::string& strError);
// Every example's expectation, in the order of ListExamples; false, with
// the reason in strError, when there is no example or one can't be read.
bool ReadEveryExampleExpectation(std::vector<EXAMPLE_EXPECTATION>& examples, std::string& strError);

// As ReadEveryExampleExpectation, less the examples that can't end as
// expected on this machine: No room where drive E: is not the small test
// drive (a tmpfs of 2 MiB, which needs root), since the package then fits.
bool ReadExamplesThatCanEndHere(std::vector<EXAMPLE_EXPECTATION>& examples, std::string& strError);

// The exit code of a quiet run that ends in outcome.
unsigned long QuietExitCode(UPDATE_OUTCOME outcome);
