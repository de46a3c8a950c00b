// A scripted stand-in for the desktop services. While it lives it is the services
// in force: it records every request and answers each one from the queue of answers
// that the test set up beforehand. A request that finds no answer of its kind at the
// front of the queue fails the test, naming the request; answers left unused when
// the fake goes away fail it too.
#pragma once

#include "platform/desktop/DesktopServices.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

class FakeDesktop final : public DesktopServices {
public:
    enum class Kind {
        MessageBox,
        OpenFile,
        SaveFile,
        ProgramFile,
        BrowseFolder,
        OpenWithShell,
        StartProgram
    };

    // One request as the program made it. Only the fields of its kind are filled.
    struct Request {
        Kind eKind = Kind::MessageBox;
        QString sText;  // message box text
        QString sTitle; // message box and dialog title, folder picker prompt
        MsgIcon eIcon = MsgIcon::None;
        MsgButtons eButtons = MsgButtons::OK;
        QString sFilter;        // file dialog filter
        QString sStartFolder;   // file dialog start folder
        QString sPath;          // path opened with the shell
        QString sProgram;       // program started
        QStringList arguments;  // its arguments, one item each
        bool bHadOwner = false; // whether a window owned the box or dialog
        std::optional<MsgAnswer> eDefault; // the box's button Enter presses, when one was named
    };

    FakeDesktop();
    ~FakeDesktop() override;
    FakeDesktop(const FakeDesktop &) = delete;
    FakeDesktop &operator=(const FakeDesktop &) = delete;

    // ---- The script, consumed in order.
    void AnswerMessage(MsgAnswer eAnswer);
    // The answer of the next open, save or program file dialog; nullopt cancels.
    void AnswerFile(std::optional<QString> sPath);
    // The answer of the next folder picker; empty text cancels.
    void AnswerFolder(const QString &sFolder);
    void AnswerOpenWithShell(bool bOpened);
    void AnswerStartProgram(bool bStarted);

    // ---- What was asked.
    const std::vector<Request> &Requests() const { return m_requests; }
    std::vector<Request> Requests(Kind eKind) const;
    // The message boxes shown, in order.
    std::vector<Request> Messages() const { return Requests(Kind::MessageBox); }
    // Answers not yet used.
    std::size_t PendingAnswers() const { return m_script.size(); }

    // ---- The services.
    MsgAnswer MessageBox(QWidget *owner, const QString &sText, MsgButtons eButtons, MsgIcon eIcon,
                         const QString &sTitle,
                         std::optional<MsgAnswer> eDefault = std::nullopt) override;
    std::optional<QString> GetOpenFileName(QWidget *owner, const QString &sTitle,
                                           const QString &sFilter,
                                           const QString &sStartFolder) override;
    std::optional<QString> GetSaveFileName(QWidget *owner, const QString &sTitle,
                                           const QString &sFilter,
                                           const QString &sStartFolder) override;
    std::optional<QString> GetProgramFileName(QWidget *owner, const QString &sTitle,
                                              const QString &sStartFolder) override;
    QString BrowseForFolder(QWidget *owner, const QString &sPrompt) override;
    bool OpenWithShell(const QString &sPath) override;
    bool StartProgram(const QString &sProgram, const QStringList &arguments) override;

private:
    struct Answer {
        Kind eKind = Kind::MessageBox;
        MsgAnswer eMessage = MsgAnswer::OK;
        bool bFileChosen = false; // file dialogs: false answers Cancel
        QString sFile;
        QString sFolder;
        bool bDone = false;
    };

    // Records the request and takes the next answer, which must be of the request's
    // kind (file dialogs of all three kinds share file answers).
    std::optional<Answer> Take(const Request &request);
    static std::optional<QString> FileAnswer(const std::optional<Answer> &answer);

    std::vector<Request> m_requests;
    std::deque<Answer> m_script;
};

const char *KindName(FakeDesktop::Kind eKind);
QString DescribeRequest(const FakeDesktop::Request &request);

// Whether a box's text is sOwn, then on the next line a reason (one or more lines)
// that holds sReasonPart, then, when sPath is not empty, two line breaks and sPath:
// how a box carries a job's reason in the engine's own words.
::testing::AssertionResult IsTextWithReason(const QString &sText, const QString &sOwn,
                                            const QString &sReasonPart,
                                            const QString &sPath = QString());
