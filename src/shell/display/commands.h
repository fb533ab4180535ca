#pragma once

namespace tevpng::image {

// The command exports: each reads its parameters from the parameter history and
// works on the image state. Before SetParentWindow the commands that need the
// display window, the current image or the backup stream do nothing; the others
// (numbers, makesprite, test) work as they do afterwards.
void LoadPng();
void RestorePng();
void ResizePng();
void SaveScaled();
void LoadAlpha();
void SetAlphaColor();
void ShowOrHide();
void ShowSettingsTest();
void MakeSprite();
void SpriteAnim();
void SetCurFrame();

}  // namespace tevpng::image
