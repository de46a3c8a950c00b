#include "tests/testsupport/FakeDesktop.h"

#include <gtest/gtest.h>

namespace {

bool IsFileDialog(FakeDesktop::Kind eKind) {
    return eKind == FakeDesktop::Kind::OpenFile || eKind == FakeDesktop::Kind::SaveFile ||
           eKind == FakeDesktop::Kind::ProgramFile;
}

bool Fits(FakeDesktop::Kind eAnswer, FakeDesktop::Kind eRequest) {
    return eAnswer == eRequest || (IsFileDialog(eAnswer) && IsFileDialog(eRequest));
}

const char *IconName(MsgIcon eIcon) {
    switch (eIcon) {
    case MsgIcon::Critical:
        return "Critical";
    case MsgIcon::Question:
        return "Question";
    case MsgIcon::Exclamation:
        return "Exclamation";
    case MsgIcon::Information:
        return "Information";
    case MsgIcon::None:
        break;
    }
    return "None";
}

const char *ButtonsName(MsgButtons eButtons) {
    switch (eButtons) {
    case MsgButtons::OKCancel:
        return "OKCancel";
    case MsgButtons::YesNo:
        return "YesNo";
    case MsgButtons::YesNoCancel:
        return "YesNoCancel";
    case MsgButtons::OK:
        break;
    }
    return "OK";
}

} // namespace

const char *KindName(FakeDesktop::Kind eKind) {
    switch (eKind) {
    case FakeDesktop::Kind::MessageBox:
        return "message box";
    case FakeDesktop::Kind::OpenFile:
        return "open file dialog";
    case FakeDesktop::Kind::SaveFile:
        return "save file dialog";
    case FakeDesktop::Kind::ProgramFile:
        return "program file dialog";
    case FakeDesktop::Kind::BrowseFolder:
        return "folder picker";
    case FakeDesktop::Kind::OpenWithShell:
        return "open with the shell";
    case FakeDesktop::Kind::StartProgram:
        return "program start";
    }
    return "request";
}

QString DescribeRequest(const FakeDesktop::Request &request) {
    QString s = QString::fromUtf8(KindName(request.eKind));
    switch (request.eKind) {
    case FakeDesktop::Kind::MessageBox:
        s += QStringLiteral(" titled \"%1\" (icon %2, buttons %3): \"%4\"")
                 .arg(request.sTitle, QString::fromUtf8(IconName(request.eIcon)),
                      QString::fromUtf8(ButtonsName(request.eButtons)), request.sText);
        break;
    case FakeDesktop::Kind::OpenFile:
    case FakeDesktop::Kind::SaveFile:
    case FakeDesktop::Kind::ProgramFile:
        s += QStringLiteral(" titled \"%1\" filter \"%2\" in \"%3\"")
                 .arg(request.sTitle, request.sFilter, request.sStartFolder);
        break;
    case FakeDesktop::Kind::BrowseFolder:
        s += QStringLiteral(" \"%1\"").arg(request.sTitle);
        break;
    case FakeDesktop::Kind::OpenWithShell:
        s += QStringLiteral(" \"%1\"").arg(request.sPath);
        break;
    case FakeDesktop::Kind::StartProgram:
        s += QStringLiteral(" \"%1\" with [%2]")
                 .arg(request.sProgram, request.arguments.join(QStringLiteral("] [")));
        break;
    }
    return s;
}

FakeDesktop::FakeDesktop() {
    SetDesktop(this);
}

FakeDesktop::~FakeDesktop() {
    SetDesktop(nullptr);
    for (const Answer &answer : m_script)
        ADD_FAILURE() << "A scripted answer for a " << KindName(answer.eKind)
                      << " was never asked for";
}

void FakeDesktop::AnswerMessage(MsgAnswer eAnswer) {
    Answer answer;
    answer.eKind = Kind::MessageBox;
    answer.eMessage = eAnswer;
    m_script.push_back(answer);
}

void FakeDesktop::AnswerFile(std::optional<QString> sPath) {
    Answer answer;
    answer.eKind = Kind::OpenFile;
    answer.bFileChosen = sPath.has_value();
    answer.sFile = sPath.value_or(QString());
    m_script.push_back(answer);
}

void FakeDesktop::AnswerFolder(const QString &sFolder) {
    Answer answer;
    answer.eKind = Kind::BrowseFolder;
    answer.sFolder = sFolder;
    m_script.push_back(answer);
}

void FakeDesktop::AnswerOpenWithShell(bool bOpened) {
    Answer answer;
    answer.eKind = Kind::OpenWithShell;
    answer.bDone = bOpened;
    m_script.push_back(answer);
}

void FakeDesktop::AnswerStartProgram(bool bStarted) {
    Answer answer;
    answer.eKind = Kind::StartProgram;
    answer.bDone = bStarted;
    m_script.push_back(answer);
}

std::vector<FakeDesktop::Request> FakeDesktop::Requests(Kind eKind) const {
    std::vector<Request> found;
    for (const Request &request : m_requests)
        if (request.eKind == eKind)
            found.push_back(request);
    return found;
}

std::optional<FakeDesktop::Answer> FakeDesktop::Take(const Request &request) {
    m_requests.push_back(request);
    if (m_script.empty()) {
        ADD_FAILURE() << "Unscripted " << DescribeRequest(request).toStdString();
        return std::nullopt;
    }
    if (!Fits(m_script.front().eKind, request.eKind)) {
        const Kind eScripted = m_script.front().eKind;
        ADD_FAILURE() << "Expected a "
                      << (IsFileDialog(eScripted) ? "file dialog" : KindName(eScripted))
                      << " but got a " << DescribeRequest(request).toStdString();
        // The script is out of step: drop its answer so that one fault is reported once.
        m_script.pop_front();
        return std::nullopt;
    }
    Answer answer = m_script.front();
    m_script.pop_front();
    return answer;
}

// Unscripted requests are answered the way a user who backs out would answer them.

MsgAnswer FakeDesktop::MessageBox(QWidget *owner, const QString &sText, MsgButtons eButtons,
                                  MsgIcon eIcon, const QString &sTitle,
                                  std::optional<MsgAnswer> eDefault) {
    Request request;
    request.eKind = Kind::MessageBox;
    request.eDefault = eDefault;
    request.sText = sText;
    request.sTitle = sTitle;
    request.eIcon = eIcon;
    request.eButtons = eButtons;
    request.bHadOwner = owner != nullptr;
    const std::optional<Answer> answer = Take(request);
    if (!answer)
        return eButtons == MsgButtons::OK      ? MsgAnswer::OK
               : eButtons == MsgButtons::YesNo ? MsgAnswer::No
                                               : MsgAnswer::Cancel;
    return answer->eMessage;
}

std::optional<QString> FakeDesktop::FileAnswer(const std::optional<Answer> &answer) {
    if (!answer || !answer->bFileChosen)
        return std::nullopt;
    return answer->sFile;
}

namespace {

FakeDesktop::Request FileRequest(FakeDesktop::Kind eKind, QWidget *owner, const QString &sTitle,
                                 const QString &sFilter, const QString &sStartFolder) {
    FakeDesktop::Request request;
    request.eKind = eKind;
    request.sTitle = sTitle;
    request.sFilter = sFilter;
    request.sStartFolder = sStartFolder;
    request.bHadOwner = owner != nullptr;
    return request;
}

} // namespace

std::optional<QString> FakeDesktop::GetOpenFileName(QWidget *owner, const QString &sTitle,
                                                    const QString &sFilter,
                                                    const QString &sStartFolder) {
    const std::optional<Answer> answer =
        Take(FileRequest(Kind::OpenFile, owner, sTitle, sFilter, sStartFolder));
    return FileAnswer(answer);
}

std::optional<QString> FakeDesktop::GetSaveFileName(QWidget *owner, const QString &sTitle,
                                                    const QString &sFilter,
                                                    const QString &sStartFolder) {
    const std::optional<Answer> answer =
        Take(FileRequest(Kind::SaveFile, owner, sTitle, sFilter, sStartFolder));
    return FileAnswer(answer);
}

std::optional<QString> FakeDesktop::GetProgramFileName(QWidget *owner, const QString &sTitle,
                                                       const QString &sStartFolder) {
    const std::optional<Answer> answer =
        Take(FileRequest(Kind::ProgramFile, owner, sTitle, QString(), sStartFolder));
    return FileAnswer(answer);
}

QString FakeDesktop::BrowseForFolder(QWidget *owner, const QString &sPrompt) {
    Request request;
    request.eKind = Kind::BrowseFolder;
    request.sTitle = sPrompt;
    request.bHadOwner = owner != nullptr;
    const std::optional<Answer> answer = Take(request);
    return answer ? answer->sFolder : QString();
}

bool FakeDesktop::OpenWithShell(const QString &sPath) {
    Request request;
    request.eKind = Kind::OpenWithShell;
    request.sPath = sPath;
    const std::optional<Answer> answer = Take(request);
    return answer && answer->bDone;
}

bool FakeDesktop::StartProgram(const QString &sProgram, const QStringList &arguments) {
    Request request;
    request.eKind = Kind::StartProgram;
    request.sProgram = sProgram;
    request.arguments = arguments;
    const std::optional<Answer> answer = Take(request);
    return answer && answer->bDone;
}

::testing::AssertionResult IsTextWithReason(const QString &sText, const QString &sOwn,
                                            const QString &sReasonPart, const QString &sPath) {
    const QString sEnd = sPath.isEmpty() ? QString() : QStringLiteral("\n\n") + sPath;
    if (!sText.startsWith(sOwn + QLatin1Char('\n')) || !sText.endsWith(sEnd))
        return ::testing::AssertionFailure()
               << "\"" << sText.toStdString() << "\" is not \"" << sOwn.toStdString()
               << "\", a reason and \"" << sEnd.toStdString() << "\"";
    const QString sReason = sText.mid(sOwn.size() + 1, sText.size() - sOwn.size() - 1 - sEnd.size());
    if (sReason.isEmpty() || sReason.contains(QStringLiteral("\n\n")) ||
        !sReason.contains(sReasonPart))
        return ::testing::AssertionFailure() << "the reason \"" << sReason.toStdString()
                                             << "\" does not hold \""
                                             << sReasonPart.toStdString() << "\"";
    return ::testing::AssertionSuccess();
}
