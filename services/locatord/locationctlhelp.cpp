// SPDX-License-Identifier: GPL-2.0-or-later
#include "locationctlhelp.h"

#include "settingsschema.h"

#include <QCommandLineParser>

namespace {
const char commandsText[] =
    "Commands:\n"
    "  get KEY           print the value of KEY as it is (text bare)\n"
    "  set KEY VALUE     store VALUE under KEY; booleans take true/false, yes/no, on/off,\n"
    "                    1/0 in any case; text keys take VALUE as it is; - reads VALUE\n"
    "                    from standard input (one final newline dropped)\n"
    "  reset KEY         set KEY back to its default\n"
    "  list              print every key and its value, one KEY VALUE per line\n"
    "  list-keys         print the names of the keys\n"
    "  describe KEY      print the type, default, access, limits and use of KEY\n"
    "  dump              print the keys clients may change, in the form load reads\n"
    "  load [FILE]       store the KEY VALUE lines of FILE (default: standard input);\n"
    "                    the whole file is checked first, a bad one changes nothing\n"
    "                    (at most 1 MiB, as is a value read from standard input)\n"
    "  status            print the chosen external GPS receiver's state: state, address,\n"
    "                    name, fix, satellites-in-use and satellites-in-view, one KEY VALUE\n"
    "                    per line\n"
    "  watch, monitor    print KEY VALUE for each change, the value it stored, until\n"
    "                    interrupted; the receiver's lines as status names them\n"
    "\n"
    "In KEY VALUE lines text is a JSON string literal (\"Nav 5\"), so the output of list\n"
    "and dump can be fed to load. -- ends the options wherever it stands.\n";

const char exitText[] =
    "Exit status:\n"
    "  0  done\n"
    "  1  the daemon refused, failed, did not answer in time or could not be reached\n"
    "  2  bad usage: unknown command, option or key, or a value that is not valid\n";
}

QString helpText(const QCommandLineParser &parser)
{
    // Qt names the program by the path it was started with.
    QString text = parser.helpText();
    text.replace(0, text.indexOf(QLatin1String(" [options]")), QStringLiteral("Usage: locationctl"));
    text += QLatin1Char('\n') + QLatin1String(commandsText) + QLatin1String("\nKeys:\n");
    for (const SettingsSchema::Key &key : SettingsSchema::keys())
        text += QStringLiteral("  %1 (%2)\n").arg(key.name, SettingsSchema::typeName(key.type));
    return text + QLatin1Char('\n') + QLatin1String(exitText);
}
