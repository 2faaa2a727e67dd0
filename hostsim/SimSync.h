// The simulated host's own synchronisation: the one mutex that every entry
// of the seam and the timeline thread hold while they read or change the
// host. Recursive, so that an entry that holds it may call host members
// that take it again.
#pragma once

#include <mutex>

typedef std::recursive_mutex CSimMutex;
// Holds the mutex for its scope.
typedef std::lock_guard<std::recursive_mutex> CSimLock;
