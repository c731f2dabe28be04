// SPDX-License-Identifier: MIT
// Keeps the resource library non-empty until the first picture arrives.
