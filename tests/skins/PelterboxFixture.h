// A game, a work folder and Pelterbox's main window for the window tests: the
// window is driven through its controls and the desktop through the scripted fake.
#pragma once

#include "skins/frmMain.h"
#include "support/modRegistry.h"
#include "tests/testsupport/FakeDesktop.h"
#include "tests/testsupport/TestFiles.h"
#include "tests/testsupport/TestHome.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

// Texts in failure messages as text.
inline void PrintTo(const QString &sText, std::ostream *pOut) {
    *pOut << '"' << sText.toStdString() << '"';
}

// A message box as a test expects it; every box of the window is titled
// "Keplo Pelterbox".
struct ExpectedBox {
    QString sText;
    MsgIcon eIcon;
    MsgButtons eButtons = MsgButtons::OK;
    // When set, sText is the box's own text and sPath follows the engine's reason, which
    // must hold this.
    QString sReasonPart = QString();
    QString sPath = QString();
};

class PelterboxTest : public ::testing::Test {
protected:
    PelterboxTest()
        : m_sGame(m_home.Path() + QStringLiteral("/Tribes2")),
          m_sBase(m_sGame + QStringLiteral("/GameData/base")),
          m_sWork(m_home.Path() + QStringLiteral("/work")) {
        RegisterGame(m_sGame, m_sWork);
    }

    void Load() { m_pMain = std::make_unique<frmMain>(); }

    template <class T> T *Control(const QString &sName) {
        T *pControl = m_pMain->findChild<T *>(sName);
        EXPECT_NE(pControl, nullptr) << "no control " << sName.toStdString();
        return pControl;
    }
    QLineEdit *Box(const char *sName) { return Control<QLineEdit>(QString::fromLatin1(sName)); }
    QListWidget *SkinList() { return Control<QListWidget>(QStringLiteral("lstCompressSkins")); }
    QStringList ListedSkins() {
        QStringList names;
        for (int i = 0; i < SkinList()->count(); ++i)
            names << SkinList()->item(i)->text();
        return names;
    }
    void Type(const char *sName, const QString &sText) { Box(sName)->setText(sText); }
    void Click(const char *sName) { Control<QPushButton>(QString::fromLatin1(sName))->click(); }

    // The boxes shown since the last call, compared with the expected ones in order.
    void ExpectBoxes(const std::vector<ExpectedBox> &expected) {
        const std::vector<FakeDesktop::Request> shown = m_desktop.Messages();
        ASSERT_EQ(shown.size(), m_nBoxesSeen + expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const FakeDesktop::Request &box = shown[m_nBoxesSeen + i];
            if (expected[i].sReasonPart.isEmpty())
                EXPECT_EQ(box.sText, expected[i].sText);
            else
                EXPECT_TRUE(IsTextWithReason(box.sText, expected[i].sText,
                                             expected[i].sReasonPart, expected[i].sPath));
            EXPECT_EQ(box.sTitle, QStringLiteral("Keplo Pelterbox"));
            EXPECT_EQ(box.eIcon, expected[i].eIcon) << box.sText.toStdString();
            EXPECT_EQ(box.eButtons, expected[i].eButtons) << box.sText.toStdString();
        }
        m_nBoxesSeen = shown.size();
    }
    // The window after a job: usable again, normal pointer, no progress bar.
    void ExpectIdle() {
        EXPECT_TRUE(m_pMain->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        for (const char *sBar : {"prgCompress", "prgExtract"})
            EXPECT_FALSE(
                Control<QProgressBar>(QString::fromLatin1(sBar))->isVisibleTo(m_pMain.get()))
                << sBar;
    }
    QString Staged(const QString &sName) const {
        return m_sWork + QStringLiteral("/pelterbox/textures/skins/") + sName;
    }

    TestHome m_home;
    FakeDesktop m_desktop; // a box or dialog that a test does not expect fails it
    QString m_sGame;
    QString m_sBase;
    QString m_sWork;
    std::unique_ptr<frmMain> m_pMain;
    std::size_t m_nBoxesSeen = 0;
};
