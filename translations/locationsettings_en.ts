<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-2.0-or-later -->
<TS version="2.1" language="en_GB" sourcelanguage="en_GB">
<context>
    <name></name>
    <message id="qtn_locfw_positioning">
        <source>Location</source>
        <extracomment>Heading of the page and title of the applet in the control panel</extracomment>
        <translation>Location</translation>
    </message>
    <message id="qtn_locfw_networkpositioning">
        <source>Network positioning</source>
        <extracomment>Title of the network positioning section</extracomment>
        <translation>Network positioning</translation>
    </message>
    <message id="qtn_locfw_enable_positioning">
        <source>Use network positioning</source>
        <extracomment>Switch title</extracomment>
        <translation>Use network positioning</translation>
    </message>
    <message id="qtn_locfw_positioning_description">
        <source>Find your location from nearby cell towers and Wi-Fi networks</source>
        <extracomment>One-line description under the switch title</extracomment>
        <translation>Find your location from nearby cell towers and Wi-Fi networks</translation>
    </message>
    <message id="qtn_locfw_networkconnectivity">
        <source>Network connectivity</source>
        <extracomment>Title of the network connectivity section</extracomment>
        <translation>Network connectivity</translation>
    </message>
    <message id="qtn_locfw_enable_cellular">
        <source>Use mobile data</source>
        <extracomment>Switch title</extracomment>
        <translation>Use mobile data</translation>
    </message>
    <message id="qtn_locfw_cellular_description">
        <source>Let positioning use the mobile data connection; charges may apply</source>
        <extracomment>One-line description under the switch title</extracomment>
        <translation>Let positioning use the mobile data connection; charges may apply</translation>
    </message>
    <message id="qtn_locfw_satellite_positioning">
        <source>Satellite positioning</source>
        <extracomment>Title of the satellite positioning section</extracomment>
        <translation>Satellite positioning</translation>
    </message>
    <message id="qtn_locfw_gps_device">
        <source>GPS positioning</source>
        <extracomment>Heading of the satellite section, next to its on/off switch</extracomment>
        <translation>GPS positioning</translation>
    </message>
    <message id="qtn_locfw_gpsdevice">
        <source>GPS device</source>
        <extracomment>Title of the GPS device list</extracomment>
        <translation>GPS device</translation>
    </message>
    <message id="qtn_locfw_select_gps_device">
        <source>Select GPS device</source>
        <extracomment>Heading of the opened GPS device list</extracomment>
        <translation>Select GPS device</translation>
    </message>
    <message id="qtn_locfw_internalgps">
        <source>Internal GPS</source>
        <extracomment>Entry of the GPS device list: the phone's own receiver</extracomment>
        <translation>Internal GPS</translation>
    </message>
    <message id="qtn_locfw_select_external_gps_device">
        <source>Select external GPS device</source>
        <extracomment>Entry of the GPS device list: pairs a Bluetooth GPS receiver</extracomment>
        <translation>Select external GPS device</translation>
    </message>
    <message id="qtn_locfw_select_another_external_gps">
        <source>Select another external GPS device</source>
        <extracomment>Entry of the GPS device list: pairs a different Bluetooth GPS receiver</extracomment>
        <translation>Select another external GPS device</translation>
    </message>
    <message id="qtn_locfw_settings_unavailable">
        <source>Location settings are not available right now</source>
        <extracomment>Notice under the heading while the positioning service does not answer</extracomment>
        <translation>Location settings are not available right now</translation>
    </message>
    <message id="qtn_locfw_setting_not_saved">
        <source>The setting could not be saved</source>
        <extracomment>Notice under the heading after the positioning service refused a change</extracomment>
        <translation>The setting could not be saved</translation>
    </message>
    <message id="qtn_locfw_pairing_unavailable">
        <source>Bluetooth pairing is not available right now</source>
        <extracomment>Notice under the heading when the Bluetooth device picker cannot pair a receiver</extracomment>
        <translation>Bluetooth pairing is not available right now</translation>
    </message>
    <message id="qtn_locfw_gps_receiver_connecting">
        <source>Connecting…</source>
        <extracomment>Status line under the GPS-device list while the external receiver is being connected</extracomment>
        <translation>Connecting…</translation>
    </message>
    <message id="qtn_locfw_gps_receiver_unreachable">
        <source>Out of range or switched off</source>
        <extracomment>Status line when the external receiver cannot be reached</extracomment>
        <translation>Out of range or switched off</translation>
    </message>
    <message id="qtn_locfw_gps_receiver_fix_3d" numerus="yes">
        <source>Connected · 3D fix · %1 of %n satellites</source>
        <extracomment>Status line; %1 satellites in use, %n in view</extracomment>
        <translation>
            <numerusform>Connected · 3D fix · %1 of %n satellite</numerusform>
            <numerusform>Connected · 3D fix · %1 of %n satellites</numerusform>
        </translation>
    </message>
    <message id="qtn_locfw_gps_receiver_fix_2d" numerus="yes">
        <source>Connected · 2D fix · %1 of %n satellites</source>
        <extracomment>Status line; %1 satellites in use, %n in view</extracomment>
        <translation>
            <numerusform>Connected · 2D fix · %1 of %n satellite</numerusform>
            <numerusform>Connected · 2D fix · %1 of %n satellites</numerusform>
        </translation>
    </message>
    <message id="qtn_locfw_gps_receiver_searching" numerus="yes">
        <source>Connected · searching for satellites (%n in view)</source>
        <extracomment>Status line while the receiver has no fix; %n satellites in view</extracomment>
        <translation>
            <numerusform>Connected · searching for satellites (%n in view)</numerusform>
            <numerusform>Connected · searching for satellites (%n in view)</numerusform>
        </translation>
    </message>
</context>
</TS>
