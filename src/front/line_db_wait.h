#pragma once

#include <QSocketNotifier>

#include "station/station_sinks.h"

namespace ctrlprog {

// Runs the event loop until the line database's start-up verdict is in (at most
// StationSinks::kVerdictWaitMs), or `stop` (when given) has something to read; whether `stop`
// ended the wait. The front end reads the verdict from `sinks` afterwards.
bool AwaitLineDbVerdict(const StationSinks& sinks, QSocketNotifier* stop = nullptr);

}  // namespace ctrlprog
