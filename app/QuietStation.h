// /quiet /station: the station without a window to look at. It takes every
// device that Update.cfg names as it is plugged in, until Ctrl+C or
// Ctrl+Break in the console it was started from, the end of the session,
// a WM_CLOSE to its hidden window, or /count devices handled; updates that
// run then are let end first. The log gets a block per device handled and
// a last line counting the outcomes.
#pragma once

#include "Station.h"

// The hidden window's class, which also receives the volumes' broadcasts.
extern const char kQuietStationClass[];

// The exit code: 0 when every device handled was updated (and, with
// /eject, ejected), else the code of the first one that was not (Copy
// failed's for one pulled out before its update ended); with a record that
// can't be opened, or can't be written once, that of Copy failed, as the
// station then takes no device.
int RunQuietStation(const STATION_OPTIONS& options, int nCount, CUpdateObserver* pLog);
