// The shared background load of a tab: busy indicator, detached and disabled grid, the load on a
// pool thread, then the grid back, the tab's own finishing steps and the failure message.
#pragma once

#include <QString>

#include <functional>

class QTabWidget;
class QWidget;

namespace kit {
class BusyIndicator;
class DataSource;
class Grid;
} // namespace kit

struct SekmeYukleme {
    kit::BusyIndicator* gif = nullptr;
    kit::Grid* grid = nullptr;
    kit::DataSource* kaynak = nullptr; // re-attached to the grid when the load has ended
    // Runs on a pool thread while the grid is detached; false when the connection could not be opened.
    // It may fill the grid's table; it must not touch any control.
    std::function<bool()> yukle;
    // Runs on the UI thread after the grid is usable again (column widths, the counted caption).
    std::function<void()> bitir;
};

// Starts the load; returns at once. owner is the window the continuation belongs to: when it has
// gone, the continuation does nothing.
void SekmeYukle(QWidget* owner, SekmeYukleme y);

// Writes a counted caption "count=title" on the tab of page.
void SayacliBaslikYaz(QTabWidget* tabs, QWidget* page, int count, const QString& baslik);
