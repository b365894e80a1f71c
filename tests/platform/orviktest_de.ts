<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-2.0-or-later -->
<TS version="2.1" language="de_DE" sourcelanguage="en_GB">
<context>
    <name></name>
    <message id="orviktest_greeting">
        <source>Hello</source>
        <translation>Hallo</translation>
    </message>
</context>
</TS>
