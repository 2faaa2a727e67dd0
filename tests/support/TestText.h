// Small helpers on texts the tests read back: logs, resource strings.
#pragma once

#include <string>

// How often strPart occurs in strText, overlapping occurrences counted.
int CountOf(const std::string& strText, const std::string& strPart);
