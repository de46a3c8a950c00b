// The folder picker both programs use.
#pragma once

#include <QString>

class QWidget;

// Lets the user pick a folder, with sPrompt as the picker's title. The chosen folder's
// full path without a trailing "/" (except "/" itself), or empty text when the user
// cancelled.
QString BrowseForFolder(QWidget *pOwner, const QString &sPrompt);
