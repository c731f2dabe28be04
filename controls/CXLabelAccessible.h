// SPDX-License-Identifier: MIT
#pragma once

// Lets screen readers (and test drivers) read a CXLabel: a static text whose
// name is the label's current text, unless an accessible name was set on it.
// Idempotent; CXLabel's constructor calls it.
void installCXLabelAccessibility();
