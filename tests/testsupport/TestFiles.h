// Files and archives for the window tests: archives are written and read back with
// libzip, independently of the engine libraries under test.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <utility>
#include <vector>

// An archive's entries in order: name, bytes. A name ending in "/" is a folder entry.
using ArchiveEntries = std::vector<std::pair<QString, QByteArray>>;

// Writes an archive holding the entries in this order (and the folders above it);
// fails the test when it cannot.
void WriteArchive(const QString &sPath, const ArchiveEntries &entries);

// nCount entries named sFolder + "/f0000" + sSuffix upwards, of nBytes bytes each that
// do not compress (the same bytes for the same arguments): an archive whose jobs take
// a while.
ArchiveEntries ManyEntries(int nCount, const QString &sFolder, const QString &sSuffix,
                           int nBytes = 4096);

// Every entry of an archive with its bytes, by name; empty when it cannot be read.
std::map<QString, QByteArray> ReadArchive(const QString &sPath);

// Writes a file (and the folders above it); fails the test when it cannot.
void WriteFile(const QString &sPath, const QByteArray &data);

// The bytes of a file, or "<missing>".
QByteArray ReadFile(const QString &sPath);

// Every file, folder and link below sFolder (hidden ones included), relative to
// it, folders ending in "/", in name order.
QStringList Listing(const QString &sFolder);
