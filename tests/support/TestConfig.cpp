#include "TestConfig.h"

#include "TestFiles.h"

const char kTwoModelsCfg[] = "[ModelA]\nDeviceID=0x1001\nVendorID=0x1234\nDeviceName=Model A\nVersion=0105\n"
                             "[ModelB]\nDeviceID=0x1002\nVendorID=0x1234\nDeviceName=Model B\nVersion=0200\n";

std::string CfgPath()
{
    return ExeFolder() + "Update.cfg";
}

void WriteCfg(const std::string& text)
{
    WriteFileBytes(CfgPath(), text);
}
