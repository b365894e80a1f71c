// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef KNOWNRECEIVERS_H
#define KNOWNRECEIVERS_H

#include <QList>
#include <QString>
#include <QStringList>

// A Bluetooth device the picker can offer: its address and its name as the device gives it.
struct Receiver {
    QString address;
    QString name;
};

/*
 * The devices the picker offers when there is no Bluetooth stack to search with: read from a
 * text file with one device per line, "ADDRESS NAME" (the name may contain blanks and may be
 * missing). Blank lines and lines starting with '#' are skipped.
 */
namespace KnownReceivers {

// True for a Bluetooth address in the usual form, six hex pairs separated by colons.
bool isAddress(const QString &text);

// Parses one line into *receiver. False, with *error set, for a line that is not a device;
// blank and comment lines give false with an empty error.
bool parseLine(const QString &line, Receiver *receiver, QString *error);

// Reads a file; false with *error when it cannot be read. Lines that are not devices are
// left out and each one is reported in *problems ("FILE:LINE: reason").
bool readFile(const QString &fileName, QList<Receiver> *receivers, QStringList *problems,
              QString *error);

} // namespace KnownReceivers

#endif
