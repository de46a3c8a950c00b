// The bytes of one file of the benchmark corpus, made to behave under
// deflate as the game's own files do: images that do not compress (random
// bytes in a PNG frame), shapes and interiors that compress about 2:1,
// sounds a little, terrains and text (scripts, windows, missions) a lot.
#pragma once

#include "CorpusRandom.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class ContentKind { Image, Shape, Interior, Script, Gui, Mission, Sound, Terrain };

// The file extension (with its dot) that files of a kind carry.
std::string_view ContentExtension(ContentKind kind);

// About `size` bytes of content of the given kind (exactly `size` for every
// kind but Terrain, whose size is fixed by its grid). `stem` is the file's
// name without its extension; text files mention it.
std::vector<unsigned char> MakeContent(ContentKind kind, size_t size, std::string_view stem,
                                       CorpusRandom &random);

// A game-like identifier ("PlasmaTurret", "ShrikeVehicle") and a lower-case
// file stem ("plasma_turret") drawn from the same words.
std::string MakeIdentifier(CorpusRandom &random);
std::string MakeFileStem(CorpusRandom &random);
