#pragma once

#include "disc/build/BuildContext.h"

// The steps of `trivion-disc build`, one file each (Step<Name>.cpp). Each reads
// its own folder of content/ and is redone only when a file there changed.
namespace trv::disc {

bool BuildPictures(const BuildContext& ctx);      // content/pictures -> archive stage (BMP)
bool BuildScripts(const BuildContext& ctx);       // content/scripts -> archive stage (CP1251, CR LF)
bool BuildQuestionBank(const BuildContext& ctx);  // content/questions -> tree stage
bool BuildSoundEffects(const BuildContext& ctx);  // content/sounds -> WAV files on the disc
bool BuildMusic(const BuildContext& ctx);         // content/music -> MP3 files on the disc
bool BuildClips(const BuildContext& ctx);         // content/clips -> AVI files on the disc
bool BuildFonts(const BuildContext& ctx);         // content/fonts -> faces beside the program
bool BuildTreeFiles(const BuildContext& ctx);     // content/tree -> tree stage
bool BuildHelp(const BuildContext& ctx);          // content/help -> help\ beside the program

}  // namespace trv::disc
