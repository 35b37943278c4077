#pragma once

#include <QString>

namespace tq::automation {

// How a sheet prints. Margins are in inches, as the file stores them.
struct PageSetup {
    enum class Orientation { Portrait, Landscape };

    int paperSize = 9; // 9 = A4
    Orientation orientation = Orientation::Portrait;
    // Fit the printed area into so many pages across and down; 0 = as many
    // as needed. Both 0 means print at 100 %.
    int fitToWidth = 0;
    int fitToHeight = 0;
    bool centerHorizontally = false;
    double left = 0.7, right = 0.7, top = 0.75, bottom = 0.75, header = 0.3, footer = 0.3;
    QString centerHeader; // in the file's header codes: &P page, &N pages
    QString centerFooter;
};

} // namespace tq::automation
