// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef REPORT_H
#define REPORT_H

#include <QJsonObject>
#include <QString>

// The table of the figures against their goals and the facts of the run, in Markdown.
QString resultsMarkdown(const QJsonObject &results);

#endif
