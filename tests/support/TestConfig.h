// Update.cfg beside the test executable, where the program looks for it.
#pragma once

#include <string>

// Two models of one vendor: ModelA (0x1001, up to release 0105) and
// ModelB (0x1002, up to release 0200).
extern const char kTwoModelsCfg[];

std::string CfgPath();
void WriteCfg(const std::string& text);
