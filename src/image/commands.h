#pragma once

namespace tevpng::image {

// The command exports: each reads its parameters from the parameter history and
// works on the image state. Before SetParentWindow they do nothing.
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
