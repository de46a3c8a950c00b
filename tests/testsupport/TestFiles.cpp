#include "tests/testsupport/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <vector>
#include <zip.h>

void WriteArchive(const QString &sPath, const ArchiveEntries &entries) {
    QDir().mkpath(QFileInfo(sPath).path());
    int nError = 0;
    zip_t *pZip = zip_open(sPath.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &nError);
    ASSERT_NE(pZip, nullptr) << sPath.toStdString();
    // zip_close reads the entries' bytes, which live until this call returns.
    for (const auto &[sName, data] : entries) {
        zip_source_t *pSource =
            zip_source_buffer(pZip, data.constData(), static_cast<zip_uint64_t>(data.size()), 0);
        ASSERT_GE(zip_file_add(pZip, sName.toUtf8().constData(), pSource, 0), 0)
            << sName.toStdString();
    }
    ASSERT_EQ(zip_close(pZip), 0) << sPath.toStdString();
}

ArchiveEntries ManyEntries(int nCount, const QString &sFolder, const QString &sSuffix, int nBytes) {
    QRandomGenerator random(12);
    ArchiveEntries entries;
    entries.reserve(static_cast<std::size_t>(nCount));
    for (int i = 0; i < nCount; ++i) {
        std::vector<quint32> words(static_cast<std::size_t>(nBytes + 3) / 4);
        random.fillRange(words.data(), static_cast<qsizetype>(words.size()));
        const QByteArray bytes(reinterpret_cast<const char *>(words.data()), nBytes);
        entries.emplace_back(
            sFolder + QStringLiteral("/f%1").arg(i, 4, 10, QLatin1Char('0')) + sSuffix, bytes);
    }
    return entries;
}

std::map<QString, QByteArray> ReadArchive(const QString &sPath) {
    std::map<QString, QByteArray> contents;
    int nError = 0;
    zip_t *pZip = zip_open(sPath.toUtf8().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &nError);
    if (!pZip)
        return contents;
    for (zip_int64_t i = 0; i < zip_get_num_entries(pZip, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(pZip, static_cast<zip_uint64_t>(i), 0, &st);
        QByteArray data(static_cast<qsizetype>(st.size), '\0');
        zip_file_t *pFile = zip_fopen_index(pZip, static_cast<zip_uint64_t>(i), 0);
        EXPECT_NE(pFile, nullptr) << st.name;
        if (pFile) {
            EXPECT_EQ(zip_fread(pFile, data.data(), st.size), static_cast<zip_int64_t>(st.size));
            zip_fclose(pFile);
        }
        contents[QString::fromUtf8(st.name)] = data;
    }
    zip_discard(pZip);
    return contents;
}

void WriteFile(const QString &sPath, const QByteArray &data) {
    QDir().mkpath(QFileInfo(sPath).path());
    QFile file(sPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << sPath.toStdString();
    file.write(data);
}

QByteArray ReadFile(const QString &sPath) {
    QFile file(sPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList Listing(const QString &sFolder) {
    QStringList items;
    QDirIterator it(sFolder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        items << QDir(sFolder).relativeFilePath(info.filePath()) +
                     (info.isDir() ? QStringLiteral("/") : QString());
    }
    items.sort();
    return items;
}
