<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-2.0-or-later -->
<TS version="2.1" language="ar" sourcelanguage="en_GB">
<context>
    <name></name>
    <message id="qtn_cp_settings">
        <source>Settings</source>
        <extracomment>Heading of the control panel's list of applets</extracomment>
        <translation>الإعدادات</translation>
    </message>
    <message id="qtn_cp_window_title">
        <source>Control panel</source>
        <extracomment>Title of the control panel's window</extracomment>
        <translation>لوحة التحكم</translation>
    </message>
</context>
</TS>
