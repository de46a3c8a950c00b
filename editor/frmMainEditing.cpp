// frmMain: opening the selected file in the program the user chose for its type, and
// opening the selected category's folder.
#include "editor/CategoryTree.h"
#include "editor/FileTypes.h"
#include "editor/UnpackedFiles.h"
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

QTreeWidgetItem *frmMain::SelectedNode() const {
    const QList<QTreeWidgetItem *> selected = treArchive->selectedItems();
    return selected.isEmpty() ? nullptr : selected.constFirst();
}

std::optional<std::string> frmMain::EditedFilePath(const QTreeWidgetItem *pNode) const {
    const std::string sSubFolder = ArchiveSubFolder();
    if (sSubFolder.empty() || !pNode->parent())
        return std::nullopt;
    return PathBelow(sSubFolder, pNode->parent()->text(0) + QLatin1Char('\\') + pNode->text(0));
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

    const QTreeWidgetItem *pNode = SelectedNode();
    if (!pNode) {
        ShowMessage(sMustSelect, MsgIcon::Information);
        return;
    }
    if (pNode->childCount() > 0)
        return;

    std::string sProgram;
    FileCommandForm eForm = FileCommandForm::General;
    if (pNode->data(0, kIconNumberRole).toInt() == kIconText) {
        sProgram = sTextEditor.substr(0, sTextEditor.size() - 1);
    } else {
        sProgram = GetProgram(FileType(pNode->text(0)));
        eForm = FileCommandFormFor(sProgram);
    }
    if (sProgram.empty() || FileExists(sProgram) != 1) {
        CannotEditFile();
        return;
    }

    const std::optional<std::string> sFile = EditedFilePath(pNode);
    if (!sFile || !StartCommand(FileCommand(sProgram, eForm, *sFile)))
        ShowMessage(sMustSelect, MsgIcon::Information);
}

void frmMain::OpenSelectedFolder() {
    const QTreeWidgetItem *pNode = SelectedNode();
    if (!pNode)
        return;
    const QTreeWidgetItem *pCategory = pNode->childCount() > 0 ? pNode : pNode->parent();
    const std::string sSubFolder = ArchiveSubFolder();
    if (!pCategory || sSubFolder.empty())
        return;
    if (const auto sFolder = PathBelow(sSubFolder, pCategory->text(0)))
        if (!OpenWithShell(QString::fromStdString(*sFolder)))
            ShowMessage(NoFolderProgramText(QString::fromStdString(*sFolder)),
                        MsgIcon::Exclamation);
}
