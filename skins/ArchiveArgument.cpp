#include "skins/ArchiveArgument.h"

#include <QFileInfo>

QString ArchiveArgument(const QStringList &arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QFileInfo file(arguments.at(i));
        if (!arguments.at(i).isEmpty() && file.isFile())
            return file.absoluteFilePath();
    }
    return {};
}
