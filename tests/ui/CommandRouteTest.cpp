// Commands that a dialog's map chain doesn't handle go on to the
// application's map, as the Help command does.
#include "AboutBox.h"
#include "DialogRemote.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

namespace {

class CProbeApp : public CWinApp
{
public:
    int m_nHelp = 0;
    void OnHelpProbe() { ++m_nHelp; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeApp, CWinApp)
ON_COMMAND(ID_HELP, OnHelpProbe)
END_MESSAGE_MAP()

TEST(CommandRouteTest, HelpFromADialogReachesTheApplication)
{
    ASSERT_TRUE(UseResourceModule());
    CProbeApp app;
    ASSERT_EQ(&app, AfxGetApp());
    CAboutBox dlgAbout;
    CDialogRemote remote([](CDialogRemote& r) {
        SendMessageA(r.Dialog(), WM_COMMAND, ID_HELP, 0);
        r.Click(IDOK);
    });
    const INT_PTR nResult = dlgAbout.DoModal();
    remote.Join();
    EXPECT_EQ(IDOK, nResult);
    EXPECT_EQ(1, app.m_nHelp);
}

}  // namespace
