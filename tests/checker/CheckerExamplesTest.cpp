// Every example scenario, laid out as a release folder, is a sound package
// but one: the scenario of the failed copy lacks the firmware folder its
// device needs.
#include "ProgramFolder.h"
#include "ReleaseCheck.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(CheckerExamplesTest, EveryExampleChecksCleanButTheFailedCopy)
{
    const std::vector<std::string> examples = ListFolder(FolderFromEnvironment("PELKIN_EXAMPLES"));
    ASSERT_GE(examples.size(), 8u);
    for (const std::string& strExample : examples) {
        const std::string strFolder = ExeFolder() + "example-" + strExample;
        LayOutProgram(strFolder, "PelkinUpdate.exe", strExample);
        CCheckReport report;
        CString strChecked;
        const int nExit = CheckReleaseFolder(strFolder.c_str(), CHECK_OPTIONS(), report, strChecked);
        std::string strAll;
        for (int i = 0; i < report.GetCount(); ++i)
            strAll += std::string(CCheckReport::FormatFinding(report.GetAt(i))) + "\n";
        if (strExample == "copy-failed") {
            EXPECT_EQ(nExit, 2);
            EXPECT_EQ(strAll, "error: [ModelB] ModelB\\: firmware folder missing: devices of this model get "
                              "Copy failed\n");
        } else {
            EXPECT_EQ(nExit, 0) << strExample;
            EXPECT_EQ(strAll, "") << strExample;
        }
        RemovePath(strFolder);
    }
}

}  // namespace
