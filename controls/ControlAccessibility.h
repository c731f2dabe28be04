// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessible>
#include <QString>

class QWidget;

// What screen readers (AT-SPI) learn from the custom-painted controls, which
// Qt alone would expose as empty widgets: a read-out its text, an LED its
// state in words (as value and description, under the name the window gave
// it), a level bar its level and range through the value interface, the load
// graph its name and latest load. The fault list is a table view and needs nothing more.

// Installs the interface factory once; every control's constructor calls it.
void installControlAccessibility();

// Tells assistive technology that something of the widget changed; a no-op
// while none listens. UI thread only.
void notifyAccessible(QWidget* widget, QAccessible::Event event);

// An LED's state in words: 0 off; 1 lit, or blinking while its clock runs;
// 2 flashing while its clock runs, else lit.
QString ledStateText(int state, bool clockRunning);

// The load graph's description for a load in whole per cent.
QString loadGraphDescription(unsigned percent);
