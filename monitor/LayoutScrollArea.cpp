// SPDX-License-Identifier: MIT
#include "LayoutScrollArea.h"

#include <QEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

namespace {

// A scroll bar that moves a tenth of the hidden part per line or page step.
class TenthStepScrollBar final : public QScrollBar
{
public:
    TenthStepScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {}

protected:
    void sliderChange(SliderChange change) override
    {
        QScrollBar::sliderChange(change);
        if (m_adjusting || (change != SliderRangeChange && change != SliderStepsChange))
            return;
        m_adjusting = true;
        const int step = std::max(1, maximum() / 10);
        setSingleStep(step);
        setPageStep(step);
        m_adjusting = false;
    }

private:
    bool m_adjusting = false;
};

} // namespace

LayoutScrollArea::LayoutScrollArea(QWidget* parent) : QScrollArea(parent)
{
    setHorizontalScrollBar(new TenthStepScrollBar(Qt::Horizontal, this));
    setVerticalScrollBar(new TenthStepScrollBar(Qt::Vertical, this));
}

void LayoutScrollArea::setContent(QWidget* content)
{
    setWidget(content);
    content->installEventFilter(this);
    fitContent();
}

void LayoutScrollArea::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    fitContent();
}

bool LayoutScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    // Longer texts may need more room: the layout asks, the content grows.
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        QTimer::singleShot(0, this, [this] { fitContent(); });
    return QScrollArea::eventFilter(watched, event);
}

void LayoutScrollArea::fitContent()
{
    if (QWidget* content = widget())
        content->resize(viewport()->size().expandedTo(content->minimumSizeHint()));
}
