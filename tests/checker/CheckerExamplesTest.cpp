// Every example scenario, laid out as a release folder, is a sound package
// but two: the scenario of the failed copy lacks the firmware folder its
// device needs, and the damaged package's file differs from its SHA256SUMS.
#include "ProgramFolder.h"
#include "ReleaseCheck.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

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
        // Only the damaged package carries a SHA256SUMS.
        const std::string strNoSums = "warning: SHA256SUMS: there is none";
        if (strExample == "copy-failed") {
            EXPECT_EQ(nExit, 2);
            EXPECT_EQ(strAll.find("error: [ModelB] ModelB\\: firmware folder missing: devices of this model get "
                                  "Copy failed\n" +
                                  strNoSums),
                      0u);
        } else if (strExample == "damaged-package") {
            EXPECT_EQ(nExit, 2);
            EXPECT_EQ(strAll.find("error: ModelB/MODELB.BIN: SHA256SUMS line 4: expected "), 0u) << strAll;
            EXPECT_EQ(std::count(strAll.begin(), strAll.end(), '\n'), 1);
        } else {
            EXPECT_EQ(nExit, 1) << strExample;
            EXPECT_EQ(strAll.find(strNoSums), 0u) << strExample;
            EXPECT_EQ(std::count(strAll.begin(), strAll.end(), '\n'), 1);
        }
        RemovePath(strFolder);
    }
}

}  // namespace
