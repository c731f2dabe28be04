// SPDX-License-Identifier: MIT
#include "SunkenEdge.h"

#include <qdrawutil.h>

void drawSunkenEdge(QPainter& painter, const QRect& rect, const QPalette& palette)
{
    qDrawWinPanel(&painter, rect, palette, /*sunken=*/true, /*fill=*/nullptr);
}
