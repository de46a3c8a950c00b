// The real desktop services on Qt: QMessageBox, QFileDialog, QDesktopServices
// and QProcess.
#include "platform/desktop/DesktopServices.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QUrl>

namespace {

QMessageBox::Icon QtIcon(MsgIcon eIcon) {
    switch (eIcon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonSet {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton first; // the default button, as on the platform's own boxes
};

ButtonSet QtButtons(MsgButtons eButtons) {
    switch (eButtons) {
    case MsgButtons::OKCancel:
        return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok};
    case MsgButtons::YesNo:
        return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes};
    case MsgButtons::YesNoCancel:
        return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes};
    case MsgButtons::OK:
        break;
    }
    return {QMessageBox::Ok, QMessageBox::Ok};
}

QMessageBox::StandardButton QtButton(MsgAnswer eAnswer) {
    switch (eAnswer) {
    case MsgAnswer::Cancel:
        return QMessageBox::Cancel;
    case MsgAnswer::Yes:
        return QMessageBox::Yes;
    case MsgAnswer::No:
        return QMessageBox::No;
    case MsgAnswer::OK:
        break;
    }
    return QMessageBox::Ok;
}

// The answer of a box that was closed without a button (Escape, the window manager):
// what the box's own cancelling button would have answered.
MsgAnswer ClosedAnswer(MsgButtons eButtons) {
    switch (eButtons) {
    case MsgButtons::OK:
        return MsgAnswer::OK;
    case MsgButtons::YesNo:
        return MsgAnswer::No;
    case MsgButtons::OKCancel:
    case MsgButtons::YesNoCancel:
        break;
    }
    return MsgAnswer::Cancel;
}

// Qt's own file dialog: its name filters match without regard to case, which the
// desktop's native dialogs do not promise.
constexpr QFileDialog::Options kDialogOptions = QFileDialog::DontUseNativeDialog;

// What the program picker lists: folders to walk through, the files the user may
// run, and Windows programs (a name ending in ".exe" in any case), which run
// through Wine whether or not they are marked executable.
class ProgramFilter final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int nRow, const QModelIndex &parent) const override {
        const auto *pFiles = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!pFiles)
            return true;
        const QFileInfo info = pFiles->fileInfo(pFiles->index(nRow, 0, parent));
        return info.isDir() || info.isExecutable() ||
               info.fileName().endsWith(QLatin1String(".exe"), Qt::CaseInsensitive);
    }
};

std::optional<QString> Chosen(const QString &sPath) {
    if (sPath.isEmpty())
        return std::nullopt;
    return sPath;
}

class QtDesktopServices final : public DesktopServices {
public:
    MsgAnswer MessageBox(QWidget *owner, const QString &sText, MsgButtons eButtons, MsgIcon eIcon,
                         const QString &sTitle, std::optional<MsgAnswer> eDefault) override {
        const ButtonSet set = QtButtons(eButtons);
        QMessageBox box(QtIcon(eIcon), sTitle, sText, set.buttons, owner);
        // File names may hold "<" and "&": the text is never read as markup.
        box.setTextFormat(Qt::PlainText);
        const QMessageBox::StandardButton eNamed = eDefault ? QtButton(*eDefault) : set.first;
        box.setDefaultButton(set.buttons.testFlag(eNamed) ? eNamed : set.first);
        box.exec();
        QAbstractButton *pClicked = box.clickedButton();
        switch (pClicked ? box.standardButton(pClicked) : QMessageBox::NoButton) {
        case QMessageBox::Ok:
            return MsgAnswer::OK;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        default:
            return ClosedAnswer(eButtons);
        }
    }

    std::optional<QString> GetOpenFileName(QWidget *owner, const QString &sTitle,
                                           const QString &sFilter,
                                           const QString &sStartFolder) override {
        return Chosen(QFileDialog::getOpenFileName(owner, sTitle, sStartFolder, sFilter, nullptr,
                                                   kDialogOptions));
    }

    std::optional<QString> GetSaveFileName(QWidget *owner, const QString &sTitle,
                                           const QString &sFilter,
                                           const QString &sStartFolder) override {
        // The programs ask their own question about a file that exists (and may add to
        // it rather than replace it), so the dialog does not ask first.
        return Chosen(
            QFileDialog::getSaveFileName(owner, sTitle, sStartFolder, sFilter, nullptr,
                                         kDialogOptions | QFileDialog::DontConfirmOverwrite));
    }

    std::optional<QString> GetProgramFileName(QWidget *owner, const QString &sTitle,
                                              const QString &sStartFolder) override {
        // Given a file, the dialog opens in its folder with the file selected.
        QFileDialog dialog(owner, sTitle, sStartFolder);
        dialog.setOptions(kDialogOptions | QFileDialog::HideNameFilterDetails);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // Linux programs carry no extension: the one filter is the proxy's, and the
        // name filter only describes it.
        dialog.setNameFilter(QStringLiteral("Programs (*)"));
        dialog.setProxyModel(new ProgramFilter(&dialog));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return Chosen(dialog.selectedFiles().constFirst());
    }

    QString BrowseForFolder(QWidget *owner, const QString &sPrompt) override {
        return QFileDialog::getExistingDirectory(owner, sPrompt, QString(),
                                                 QFileDialog::ShowDirsOnly | kDialogOptions);
    }

    bool OpenWithShell(const QString &sPath) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(sPath));
    }

    bool StartProgram(const QString &sProgram, const QStringList &arguments) override {
        return QProcess::startDetached(sProgram, arguments);
    }
};

DesktopServices *g_pDesktop = nullptr;

} // namespace

DesktopServices &Desktop() {
    static QtDesktopServices real;
    return g_pDesktop ? *g_pDesktop : real;
}

void SetDesktop(DesktopServices *pServices) {
    g_pDesktop = pServices;
}
