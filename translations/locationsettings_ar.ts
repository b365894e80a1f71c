<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-2.0-or-later -->
<TS version="2.1" language="ar" sourcelanguage="ar">
<context>
    <name></name>
    <message id="qtn_locfw_positioning">
        <source>Location</source>
        <extracomment>Heading of the page and title of the applet in the control panel</extracomment>
        <translation>الموقع</translation>
    </message>
    <message id="qtn_locfw_networkpositioning">
        <source>Network positioning</source>
        <extracomment>Title of the network positioning section</extracomment>
        <translation>تحديد الموقع عبر الشبكة</translation>
    </message>
    <message id="qtn_locfw_enable_positioning">
        <source>Use network positioning</source>
        <extracomment>Switch title</extracomment>
        <translation>استخدام تحديد الموقع عبر الشبكة</translation>
    </message>
    <message id="qtn_locfw_positioning_description">
        <source>Find your location from nearby cell towers and Wi-Fi networks</source>
        <extracomment>One-line description under the switch title</extracomment>
        <translation>تحديد موقعك من أبراج الاتصالات وشبكات Wi-Fi القريبة</translation>
    </message>
    <message id="qtn_locfw_networkconnectivity">
        <source>Network connectivity</source>
        <extracomment>Title of the network connectivity section</extracomment>
        <translation>الاتصال بالشبكة</translation>
    </message>
    <message id="qtn_locfw_enable_cellular">
        <source>Use mobile data</source>
        <extracomment>Switch title</extracomment>
        <translation>استخدام بيانات الجوّال</translation>
    </message>
    <message id="qtn_locfw_cellular_description">
        <source>Let positioning use the mobile data connection; charges may apply</source>
        <extracomment>One-line description under the switch title</extracomment>
        <translation>السماح لخدمة تحديد الموقع باستخدام اتصال بيانات الجوّال؛ قد تُفرض رسوم</translation>
    </message>
    <message id="qtn_locfw_satellite_positioning">
        <source>Satellite positioning</source>
        <extracomment>Title of the satellite positioning section</extracomment>
        <translation>تحديد الموقع عبر الأقمار الصناعية</translation>
    </message>
    <message id="qtn_locfw_gps_device">
        <source>GPS positioning</source>
        <extracomment>Heading of the satellite section, next to its on/off switch</extracomment>
        <translation>تحديد الموقع بنظام GPS</translation>
    </message>
    <message id="qtn_locfw_gpsdevice">
        <source>GPS device</source>
        <extracomment>Title of the GPS device list</extracomment>
        <translation>جهاز GPS</translation>
    </message>
    <message id="qtn_locfw_select_gps_device">
        <source>Select GPS device</source>
        <extracomment>Heading of the opened GPS device list</extracomment>
        <translation>اختيار جهاز GPS</translation>
    </message>
    <message id="qtn_locfw_internalgps">
        <source>Internal GPS</source>
        <extracomment>Entry of the GPS device list: the phone's own receiver</extracomment>
        <translation>نظام GPS الداخلي</translation>
    </message>
    <message id="qtn_locfw_select_external_gps_device">
        <source>Select external GPS device</source>
        <extracomment>Entry of the GPS device list: pairs a Bluetooth GPS receiver</extracomment>
        <translation>اختيار جهاز GPS خارجي</translation>
    </message>
    <message id="qtn_locfw_select_another_external_gps">
        <source>Select another external GPS device</source>
        <extracomment>Entry of the GPS device list: pairs a different Bluetooth GPS receiver</extracomment>
        <translation>اختيار جهاز GPS خارجي آخر</translation>
    </message>
    <message id="qtn_locfw_settings_unavailable">
        <source>Location settings are not available right now</source>
        <extracomment>Notice under the heading while the positioning service does not answer</extracomment>
        <translation>إعدادات الموقع غير متاحة حاليًا</translation>
    </message>
    <message id="qtn_locfw_setting_not_saved">
        <source>The setting could not be saved</source>
        <extracomment>Notice under the heading after the positioning service refused a change</extracomment>
        <translation>تعذّر حفظ الإعداد</translation>
    </message>
    <message id="qtn_locfw_pairing_unavailable">
        <source>Bluetooth pairing is not available right now</source>
        <extracomment>Notice under the heading when the Bluetooth device picker cannot pair a receiver</extracomment>
        <translation>إقران البلوتوث غير متاح حاليًا</translation>
    </message>
    <message id="qtn_locfw_gps_receiver_connecting">
        <source>Connecting…</source>
        <extracomment>Status line under the GPS-device list while the external receiver is being connected</extracomment>
        <translation>جارٍ الاتصال…</translation>
    </message>
    <message id="qtn_locfw_gps_receiver_unreachable">
        <source>Out of range or switched off</source>
        <extracomment>Status line when the external receiver cannot be reached</extracomment>
        <translation>خارج النطاق أو مُطفأ</translation>
    </message>
    <message id="qtn_locfw_gps_receiver_fix_3d" numerus="yes">
        <source>Connected · 3D fix · %1 of %n satellites</source>
        <extracomment>Status line; %1 satellites in use, %n in view</extracomment>
        <translation>
            <numerusform>متصل · تحديد ثلاثي الأبعاد · %1 من %n أقمار صناعية</numerusform>
            <numerusform>متصل · تحديد ثلاثي الأبعاد · %1 من قمر صناعي واحد</numerusform>
            <numerusform>متصل · تحديد ثلاثي الأبعاد · %1 من قمرين صناعيين</numerusform>
            <numerusform>متصل · تحديد ثلاثي الأبعاد · %1 من %n أقمار صناعية</numerusform>
            <numerusform>متصل · تحديد ثلاثي الأبعاد · %1 من %n قمرًا صناعيًا</numerusform>
            <numerusform>متصل · تحديد ثلاثي الأبعاد · %1 من %n قمر صناعي</numerusform>
        </translation>
    </message>
    <message id="qtn_locfw_gps_receiver_fix_2d" numerus="yes">
        <source>Connected · 2D fix · %1 of %n satellites</source>
        <extracomment>Status line; %1 satellites in use, %n in view</extracomment>
        <translation>
            <numerusform>متصل · تحديد ثنائي الأبعاد · %1 من %n أقمار صناعية</numerusform>
            <numerusform>متصل · تحديد ثنائي الأبعاد · %1 من قمر صناعي واحد</numerusform>
            <numerusform>متصل · تحديد ثنائي الأبعاد · %1 من قمرين صناعيين</numerusform>
            <numerusform>متصل · تحديد ثنائي الأبعاد · %1 من %n أقمار صناعية</numerusform>
            <numerusform>متصل · تحديد ثنائي الأبعاد · %1 من %n قمرًا صناعيًا</numerusform>
            <numerusform>متصل · تحديد ثنائي الأبعاد · %1 من %n قمر صناعي</numerusform>
        </translation>
    </message>
    <message id="qtn_locfw_gps_receiver_searching" numerus="yes">
        <source>Connected · searching for satellites (%n in view)</source>
        <extracomment>Status line while the receiver has no fix; %n satellites in view</extracomment>
        <translation>
            <numerusform>متصل · جارٍ البحث عن الأقمار الصناعية (لا شيء مرئي)</numerusform>
            <numerusform>متصل · جارٍ البحث عن الأقمار الصناعية (واحد مرئي)</numerusform>
            <numerusform>متصل · جارٍ البحث عن الأقمار الصناعية (اثنان مرئيان)</numerusform>
            <numerusform>متصل · جارٍ البحث عن الأقمار الصناعية (%n مرئية)</numerusform>
            <numerusform>متصل · جارٍ البحث عن الأقمار الصناعية (%n مرئيًا)</numerusform>
            <numerusform>متصل · جارٍ البحث عن الأقمار الصناعية (%n مرئي)</numerusform>
        </translation>
    </message>
</context>
</TS>
