// SPDX-License-Identifier: MIT
#pragma once

class QSize;
class QWidget;

// Creates every control of the main window inside `content`, each named
// "id<ID>", grouped as the operator reads them: currents, voltages, powers and
// energies, further measurements, timers, relay state, motor commands, thermal
// load, fault list, link status and the command buttons.
void buildMainWindowContent(QWidget* content);

// The size `content` asks for with every font and text change made so far
// counted: such changes otherwise reach the outer layouts only when the event
// loop delivers their posted layout requests.
QSize settledSizeHint(QWidget* content);
