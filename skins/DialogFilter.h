// File dialog filters as the windows write them ("VL2 files | *.VL2": a description
// and a pattern, split at the vertical bar, pairs following each other) turned into
// the Qt filters that the desktop services take ("VL2 files (*.VL2)").
#pragma once

#include <QString>

// One Qt filter per description and pattern pair, joined with ";;". A description
// that already ends in its pattern in brackets is taken as it stands.
QString QtFilter(const QString &sPairedFilter);
