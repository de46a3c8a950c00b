// The archive Pelterbox is started with, as a file manager hands it over
// ("pelterbox FILE.vl2").
#pragma once

#include <QString>
#include <QStringList>

// The first argument after the program's own name that names an existing file, as
// an absolute path; empty text when there is none. Other arguments are ignored.
QString ArchiveArgument(const QStringList &arguments);
