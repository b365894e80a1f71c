// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ORVIKEXPORT_H
#define ORVIKEXPORT_H

#include <QtGlobal>

#if defined(ORVIK_BUILD)
#  define ORVIK_EXPORT Q_DECL_EXPORT
#else
#  define ORVIK_EXPORT Q_DECL_IMPORT
#endif

#endif
