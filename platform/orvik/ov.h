// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OV_H
#define OV_H

namespace Ov {

// Kind of module that registers widget creators: a loadable library (0) or the application.
enum AssemblyType {
    Library = 0,
    Application = 1
};

enum Orientation {
    Landscape = 0,
    Portrait = 1
};

} // namespace Ov

#endif
