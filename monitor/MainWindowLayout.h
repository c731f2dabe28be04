// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

// Creates every control of the main window inside `content`, each named
// "id<ID>", grouped as the operator reads them: currents, voltages, powers and
// energies, further measurements, timers, relay state, motor commands, thermal
// load, fault list, link status and the command buttons.
void buildMainWindowContent(QWidget* content);
