// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef QUITONSIGNAL_H
#define QUITONSIGNAL_H

class QCoreApplication;

// Makes SIGTERM and SIGINT leave the application's event loop instead of killing the
// process, so that it ends as cleanly as after quit(). False when the handlers cannot be set.
bool quitOnTerminationSignals(QCoreApplication *app);

#endif
