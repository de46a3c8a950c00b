#include "support/ui/Logging.h"

#include "platform/os/Log.h"

// Nothing is logged unless the user asks: the categories' default threshold lies
// above every level the programs log at (info and warning).
Q_LOGGING_CATEGORY(lcEngine, "keplo.engine", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcArchive, "keplo.archive", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcStore, "keplo.store", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcWine, "keplo.wine", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcEditor, "keplo.editor", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcPelterbox, "pelterbox", QtCriticalMsg)

namespace {

const QLoggingCategory &CategoryOf(LogArea eArea) {
    switch (eArea) {
    case LogArea::Engine:
        return lcEngine();
    case LogArea::Archive:
        return lcArchive();
    case LogArea::Store:
        return lcStore();
    case LogArea::Wine:
        break;
    }
    return lcWine();
}

bool AreaEnabled(LogArea eArea) {
    return CategoryOf(eArea).isInfoEnabled();
}

void WriteLine(LogArea eArea, std::string_view sLine) {
    // The bytes may be anything a file name holds: what is not UTF-8 shows replaced.
    qCInfo(CategoryOf(eArea)).noquote()
        << QString::fromUtf8(sLine.data(), static_cast<qsizetype>(sLine.size()));
}

} // namespace

void ConnectLogSink() {
    SetLogSink(LogSink{&AreaEnabled, &WriteLine});
}
