<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-2.0-or-later -->
<TS version="2.1" language="en_GB" sourcelanguage="en_GB">
<context>
    <name></name>
    <message id="orviktest_greeting">
        <source>Hello</source>
        <translation>Hello</translation>
    </message>
    <message id="orviktest_farewell">
        <source>Goodbye</source>
        <translation>Goodbye</translation>
    </message>
</context>
</TS>
