#include "app/line/GridShape.h"

#include <algorithm>

QList<QRect> GridCells(const QSize& area, int count, int gap, double widthPerHeight) {
    if (count <= 0) return {};
    double best = 0;
    int bestColumns = 1;
    for (int columns = 1; columns <= count; ++columns) {
        const int rows = (count + columns - 1) / columns;
        const double width = double(area.width() - (columns - 1) * gap) / columns;
        const double height = double(area.height() - (rows - 1) * gap) / rows;
        const double size = std::min(height, width / widthPerHeight);
        if (size > best) {
            best = size;
            bestColumns = columns;
        }
    }
    const int rows = (count + bestColumns - 1) / bestColumns;
    const int width = (area.width() - (bestColumns - 1) * gap) / bestColumns;
    const int height = (area.height() - (rows - 1) * gap) / rows;
    QList<QRect> cells;
    for (int index = 0; index < count; ++index) {
        const int column = index % bestColumns, row = index / bestColumns;
        cells.append(QRect(column * (width + gap), row * (height + gap), width, height));
    }
    return cells;
}
