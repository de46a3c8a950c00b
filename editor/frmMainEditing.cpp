// frmMain: opening the selected file in the program the user chose for its type, and
// opening the selected category's folder.
#include "editor/FileTypes.h"
#include "editor/frmMain.h"
#include "platform/os/ProgramCommand.h"
#include "support/SettingsKeys.h"
#include "support/modOther.h"
#include "support/modRegistry.h"
#include "support/ui/modWindows.h"

namespace {

// Starts a formed command through the desktop services; false when it names no
// program or the program could not be started.
bool StartCommand(const ProgramCommand &command) {
    if (command.sProgram.empty())
        return false;
    QStringList arguments;
    for (const std::string &sArgument : command.arguments)
        arguments << QString::fromStdString(sArgument);
    return Desktop().StartProgram(QString::fromStdString(command.sProgram), arguments);
}

} // namespace

std::string frmMain::GetProgram(const QString &sFileType) {
    return GetRegString(HKEY_LOCAL_MACHINE, kProgramTableKey, sFileType.toUpper().toStdString(),
                        "");
}

std::string frmMain::TextEditorCommand() {
    const std::string sText = GetRegString(HKEY_LOCAL_MACHINE, kProgramTableKey, "TXT", "");
    if (!sText.empty())
        return sText + " ";
    return GetWinPath() + "/xdg-open ";
}

QModelIndex frmMain::SelectedNode() const {
    const QModelIndexList selected = treArchive->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.constFirst();
}

void frmMain::CannotEditFile() {
    if (Desktop().MessageBox(
            this, QStringLiteral("Cannot edit file. Try changing your Keplo settings."),
            MsgButtons::OKCancel, MsgIcon::Exclamation, QStringLiteral("Keplo")) == MsgAnswer::OK)
        OpenSettings();
}

void frmMain::EditSelectedFile() {
    const std::string sTextEditor = TextEditorCommand();
    const QString sMustSelect = QStringLiteral("You must select a file to edit.");

    const QModelIndex node = SelectedNode();
    if (!node.isValid()) {
        ShowMessage(sMustSelect, MsgIcon::Information);
        return;
    }
    if (m_pArchiveModel->hasChildren(node))
        return;

    std::string sProgram;
    FileCommandForm eForm = FileCommandForm::General;
    if (node.data(kIconNumberRole).toInt() == kIconText) {
        sProgram = sTextEditor.substr(0, sTextEditor.size() - 1);
    } else {
        sProgram = GetProgram(FileType(node.data(Qt::DisplayRole).toString()));
        eForm = FileCommandFormFor(sProgram);
    }
    if (sProgram.empty() || FileExists(sProgram) != 1) {
        CannotEditFile();
        return;
    }

    const std::optional<std::string> sFile = m_pArchiveModel->FilePath(ArchiveSubFolder(), node);
    if (!sFile || !StartCommand(FileCommand(sProgram, eForm, *sFile)))
        ShowMessage(sMustSelect, MsgIcon::Information);
}

void frmMain::OpenSelectedFolder() {
    const QModelIndex node = SelectedNode();
    if (const auto sFolder = m_pArchiveModel->FolderPath(ArchiveSubFolder(), node))
        if (!OpenWithShell(QString::fromStdString(*sFolder)))
            ShowMessage(NoFolderProgramText(QString::fromStdString(*sFolder)),
                        MsgIcon::Exclamation);
}
