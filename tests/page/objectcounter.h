// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OBJECTCOUNTER_H
#define OBJECTCOUNTER_H

#include <QtGlobal>

/*
 * Counts the QObjects alive in the process, through QtCore's object hooks (the ones
 * debugging tools use): every QObject constructor and destructor reports to them. One
 * counter may be installed at a time.
 */
class ObjectCounter
{
public:
    ObjectCounter();
    ~ObjectCounter();

    qint64 alive() const; // constructed minus destroyed since this counter was made

private:
    quintptr m_previousAdd;
    quintptr m_previousRemove;
};

#endif
