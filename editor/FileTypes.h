// The file type of an archive entry and what the tree makes of it: whether the
// entry is shown, and with which of the tree's eight icons.
#pragma once

#include <QString>
#include <string_view>

// Icon numbers of the tree's image list (1 to 8).
enum TreeIcon : int {
    kIconCategory = 1, // yellow folder: a category node
    kIconOther = 2,    // page with a small application window
    kIconProgram = 3,  // the program's emblem; not used by the tree
    kIconPicture = 4,  // PNG and GIF pictures
    kIconJpeg = 5,     // JPG pictures
    kIconBitmap = 6,   // BMP pictures
    kIconMedia = 7,    // sounds and videos
    kIconText = 8,     // text files; they open in the text editor
};

// The upper-case form of the last three characters of a file name: "mission.cs"
// gives ".CS", "image.jpeg" gives "PEG". A shorter name gives all of itself.
QString FileType(const QString &sFileName);

// Whether entries of this type are game data that the tree leaves out.
bool IsHiddenType(const QString &sType);

// The icon number of a shown file node of this type.
int TreeIconNumber(const QString &sType);

// The icon number of a shown file node for a file name in UTF-8, or 0 when its type
// is one of the hidden ones: TreeIconNumber of its FileType, or 0 when IsHiddenType.
int TreeIconNumberOfName(std::string_view sName);
