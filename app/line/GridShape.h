#pragma once

// Where `count` tiles of one shape go in an area so that they are as large as the area allows:
// the number of columns that gives the largest tile, then rows in order, so that 1 tile or 32 fill
// the screen without scrolling. The line window lays out its station panels and each panel's slot
// cells this way, afresh whenever their count changes: panels stand in the order of the stations'
// names, so a station that comes or goes moves the others anyway. The station window's tiles,
// which never move, keep a grid of their own.

#include <QList>
#include <QRect>
#include <QSize>

QList<QRect> GridCells(const QSize& area, int count, int gap, double widthPerHeight);
