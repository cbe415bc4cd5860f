// The signals that end a program from outside (SIGTERM at logout or shutdown, SIGHUP from a closed
// terminal, SIGINT from Ctrl-C) reach it through its event loop, so that it ends the way its own
// exit does. The handler only writes to a pipe; the loop reads it.
#pragma once

#include <QObject>

#include <functional>
#include <initializer_list>

namespace hv::tk {

// Catches the signals from now on; what comes before onEndSignal() waits in the pipe.
bool catchEndSignals(std::initializer_list<int> which);
// Calls `onEnd` in the event loop of `context`'s thread for every end signal caught.
void onEndSignal(QObject* context, std::function<void()> onEnd);
// Whether an end signal has come (one before the event loop runs has nobody to call yet).
bool endSignalSeen();

} // namespace hv::tk
