// SPDX-License-Identifier: MIT
#pragma once

#include <QScrollArea>

// The main window's scroll area: the content fills the window, but never gets
// smaller than its layout needs; a smaller window scrolls it, a tenth of the
// hidden part per line or page step.
class LayoutScrollArea final : public QScrollArea
{
public:
    explicit LayoutScrollArea(QWidget* parent);
    void setContent(QWidget* content);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitContent();
};
