// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <functional>

class QWidget;

// Thread rule of the display controls
// -----------------------------------
// The value setters of the controls (CXLed::SetState, CXLabel::SetText and
// SetColors, CXProgressCtrl::SetRange/SetMarks/SetLevel/SetOverColor,
// CGraph::SetLoad/ResetGraph, CXListCtrl's mark flags) may be called from any
// thread, e.g. the poll thread: they only store the value (atomic or under a
// short lock) and ask for a repaint through this request. Every other
// operation (icons, fonts, blink and run timers, list rows, the colour
// chooser) belongs to the UI thread.
//
// A request made on the UI thread is a plain QWidget::update(). From another
// thread it posts one queued call to the widget; further requests are merged
// into it until the UI thread has run it, so a burst of values from a worker
// costs one repaint. The queued call dies with the widget; a worker still
// has to be stopped before the window that owns its controls is destroyed.
class RepaintRequest
{
public:
    // onUiThread (optional) runs on the UI thread before the repaint, for work
    // that must not happen on a worker (e.g. handing text to the base class).
    explicit RepaintRequest(QWidget* widget, std::function<void()> onUiThread = {});

    void post();

private:
    void run();

    QWidget* m_widget;
    std::function<void()> m_onUiThread;
    std::atomic<bool> m_pending{false};
};
