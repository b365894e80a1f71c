// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ZEPWIDGETTYPE_H
#define ZEPWIDGETTYPE_H

// How the host shows an applet's entry in its list.
namespace ZepWidgetType {
enum Id {
    Label = 0,   // title with a value line under it
    Toggle,      // title with an on/off switch
    Image,       // title with an image
    Button,      // a plain button
    Slider,      // title with a slider
    ComboBox     // title with a choice
};
}

#endif
