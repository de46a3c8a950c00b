// Pelterbox's staging tree below the work folder, where collected skins wait to be
// packed: <work folder>/pelterbox/textures/skins/<skin>. Every path is the work
// folder's stored text followed by "/pelterbox...", used as stored. An empty work
// folder names no staging tree: every step then leaves the disk alone (and staging
// a skin fails), so nothing is ever done at the root of the disk.
#pragma once

#include <string>

// <work folder>/pelterbox/: the folder the packing is resolved against, so that
// the archive's entries are textures/skins/<skin>.
std::string StagingBasePath(const std::string &sWorkFolder);

// <work folder>/pelterbox/textures/skins: where the collected skins lie.
std::string SkinStagingFolder(const std::string &sWorkFolder);

// Deletes the files directly in each of the tree's three folders, then removes the
// folders, deepest first, when nothing else is left in them. Ignores every failure.
void ClearStagingTree(const std::string &sWorkFolder);

// Makes the staging folders and copies sSource into them as sName (a bare file
// name), replacing a skin staged under that name. False when the copy failed.
bool StageSkin(const std::string &sWorkFolder, const std::string &sSource,
               const std::string &sName);

// Deletes the skin staged as sName, if any.
void UnstageSkin(const std::string &sWorkFolder, const std::string &sName);

// The number of skins staged: the files in the skin staging folder.
int StagedSkinCount(const std::string &sWorkFolder);

// Deletes every staged skin.
void DeleteStagedSkins(const std::string &sWorkFolder);
