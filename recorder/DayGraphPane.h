// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class CGraphMix;
class QHBoxLayout;
class QSlider;

// The recorder window's graph with its tool buttons (zoom, selection, cursor,
// whole range, scroll) and the line width. Tool buttons for the graph belong
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

    CGraphMix* m_graph = nullptr;
    QSlider* m_lineWidth = nullptr;
};
