// Linked into the demo build only: before the program starts, the
// simulated host becomes what hostsim.ini beside the executable describes.
#include "SimScenarioFile.h"

namespace {

class CSimDemoStartup
{
public:
    CSimDemoStartup() { LoadSimScenarioBesideExe(); }
};

const CSimDemoStartup g_startup;

}  // namespace
