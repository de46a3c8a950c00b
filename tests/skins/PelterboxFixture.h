// A game, a work folder and Pelterbox's main window for the window tests: the
// window is driven through its controls, the desktop through the scripted fake,
// and archives are made and read back with libzip.
#pragma once

#include "skins/frmMain.h"
#include "support/modRegistry.h"
#include "tests/testsupport/FakeDesktop.h"
#include "tests/testsupport/TestHome.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>
#include <zip.h>

// Texts in failure messages as text.
inline void PrintTo(const QString &sText, std::ostream *pOut) {
    *pOut << '"' << sText.toStdString() << '"';
}

// A message box as a test expects it; every box of the window is titled
// "Keplo Pelterbox" and has one OK button unless said otherwise.
struct ExpectedBox {
    QString sText;
    MsgIcon eIcon;
    MsgButtons eButtons = MsgButtons::OK;
};

class PelterboxTest : public ::testing::Test {
protected:
    using Entries = std::vector<std::pair<QString, QByteArray>>;

    PelterboxTest() {
        m_sGame = m_home.Path() + QStringLiteral("/Tribes2");
        m_sBase = m_sGame + QStringLiteral("/GameData/base");
        m_sWork = m_home.Path() + QStringLiteral("/work");
        QDir().mkpath(m_sBase);
        SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sierra Online\\Setup\\Tribes2", "directory",
                     m_sGame.toStdString());
        SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo",
                     "tempdir", m_sWork.toStdString());
    }

    void Load() { m_pMain = std::make_unique<frmMain>(); }

    template <class T> T *Control(const QString &sName) {
        T *pControl = m_pMain->findChild<T *>(sName);
        EXPECT_NE(pControl, nullptr) << "no control " << sName.toStdString();
        return pControl;
    }
    QLineEdit *Box(const char *sName) { return Control<QLineEdit>(QString::fromLatin1(sName)); }
    QListWidget *SkinList() { return Control<QListWidget>(QStringLiteral("lstCompressSkins")); }
    void Type(const char *sName, const QString &sText) { Box(sName)->setText(sText); }
    void Click(const char *sName) { Control<QPushButton>(QString::fromLatin1(sName))->click(); }

    // Every box shown since the last call, compared with the expected ones in order.
    void ExpectBoxes(const std::vector<ExpectedBox> &expected) {
        const std::vector<FakeDesktop::Request> shown = m_desktop.Messages();
        ASSERT_EQ(shown.size(), m_nBoxesSeen + expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const FakeDesktop::Request &box = shown[m_nBoxesSeen + i];
            EXPECT_EQ(box.sText, expected[i].sText);
            EXPECT_EQ(box.sTitle, QStringLiteral("Keplo Pelterbox"));
            EXPECT_EQ(box.eIcon, expected[i].eIcon) << box.sText.toStdString();
            EXPECT_EQ(box.eButtons, expected[i].eButtons) << box.sText.toStdString();
        }
        m_nBoxesSeen = shown.size();
    }
    // The window after a job: usable again, normal pointer.
    void ExpectIdle() {
        EXPECT_TRUE(m_pMain->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // An archive holding the entries in this order.
    static void MakeArchive(const QString &sPath, const Entries &entries) {
        QDir().mkpath(QFileInfo(sPath).path());
        int nError = 0;
        zip_t *pZip = zip_open(sPath.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &nError);
        ASSERT_NE(pZip, nullptr);
        for (const auto &[sName, data] : entries) {
            zip_source_t *pSource = zip_source_buffer(pZip, data.constData(),
                                                      static_cast<zip_uint64_t>(data.size()), 0);
            ASSERT_GE(zip_file_add(pZip, sName.toUtf8().constData(), pSource, 0), 0);
        }
        ASSERT_EQ(zip_close(pZip), 0);
    }
    // Every entry of an archive with its bytes; empty when it cannot be read.
    static std::map<QString, QByteArray> ReadArchive(const QString &sPath) {
        std::map<QString, QByteArray> contents;
        int nError = 0;
        zip_t *pZip = zip_open(sPath.toUtf8().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &nError);
        if (!pZip)
            return contents;
        for (zip_int64_t i = 0; i < zip_get_num_entries(pZip, 0); ++i) {
            zip_stat_t st;
            zip_stat_index(pZip, static_cast<zip_uint64_t>(i), 0, &st);
            QByteArray data(static_cast<qsizetype>(st.size), '\0');
            if (zip_file_t *pFile = zip_fopen_index(pZip, static_cast<zip_uint64_t>(i), 0)) {
                zip_fread(pFile, data.data(), st.size);
                zip_fclose(pFile);
            }
            contents[QString::fromUtf8(st.name)] = data;
        }
        zip_discard(pZip);
        return contents;
    }

    static void WriteFile(const QString &sPath, const QByteArray &data) {
        QDir().mkpath(QFileInfo(sPath).path());
        QFile file(sPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << sPath.toStdString();
        file.write(data);
    }
    static QByteArray ReadFile(const QString &sPath) {
        QFile file(sPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // Every file and folder below sFolder, relative to it, folders ending in "/".
    static QStringList Listing(const QString &sFolder) {
        QStringList items;
        QDirIterator it(sFolder,
                        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info = it.nextFileInfo();
            items << QDir(sFolder).relativeFilePath(info.filePath()) +
                         (info.isDir() ? QStringLiteral("/") : QString());
        }
        items.sort();
        return items;
    }

    QString Staged(const QString &sName) const {
        return m_sWork + QStringLiteral("/pelterbox/textures/skins/") + sName;
    }
    QStringList ListedSkins() {
        QStringList names;
        for (int i = 0; i < SkinList()->count(); ++i)
            names << SkinList()->item(i)->text();
        return names;
    }

    TestHome m_home;
    FakeDesktop m_desktop; // a box or dialog that a test does not expect fails it
    QString m_sGame;
    QString m_sBase;
    QString m_sWork;
    std::unique_ptr<frmMain> m_pMain;
    std::size_t m_nBoxesSeen = 0;
};
