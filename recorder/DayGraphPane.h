// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class CGraphMix;
class CIconButton;
class QHBoxLayout;
class QPlainTextEdit;
class QSlider;

// The recorder window's graph with its tool buttons (zoom, selection, cursor,
// A/B cursors, whole range, scroll), the line width, and under them the A/B
// cursors' read-out while those are on. Tool buttons for the graph belong
// here. UI thread only.
class DayGraphPane : public QWidget
{
    Q_OBJECT
public:
    explicit DayGraphPane(QWidget* parent = nullptr);

    CGraphMix* graph() const { return m_graph; }

    // The stored line width, and the zoom mode.
    void applySettings();

signals:
    // The line width changed: the traces are to be drawn again.
    void replotRequested();

private:
    QHBoxLayout* buildToolBar();
    void onLineWidthChanged(int width);
    void onLineWidthReleased();
    void showABCursors(bool on);
    void showCursorReadout();

    CGraphMix* m_graph = nullptr;
    QSlider* m_lineWidth = nullptr;
    CIconButton* m_abCursorsButton = nullptr;
    QPlainTextEdit* m_cursorReadout = nullptr;
};
