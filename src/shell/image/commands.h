#pragma once

#include "image/plugin.h"

namespace tevpng::image {

// The command exports: each reads its parameters from the plug-in's parameter history
// and works on its image state. Before SetParentWindow the commands that need the
// display window or the current image do nothing; the others (numbers, makesprite,
// test) work as they do afterwards.
void LoadPng(Plugin& plugin);
void RestorePng(Plugin& plugin);
void ResizePng(Plugin& plugin);
void SaveScaled(Plugin& plugin);
void LoadAlpha(Plugin& plugin);
void SetAlphaColor(Plugin& plugin);
void ShowOrHide(Plugin& plugin);
void ShowSettingsTest(Plugin& plugin);
void MakeSprite(Plugin& plugin);
void SpriteAnim(Plugin& plugin);
void SetCurFrame(Plugin& plugin);

}  // namespace tevpng::image
