#pragma once

// The settings form that Interface shows: whether the hotspot is used, the name
// of the host object that serves as hotspot, and the plug-in's name, read-only.
#include <cstdint>
#include <memory>

#include "model/plugin_settings.h"
#include "ui/controls.h"

namespace tevpng::dialog {

// ModalResult while the form is open, and after each of its two buttons.
inline constexpr std::int32_t kModalResultOpen = 0;
inline constexpr std::int32_t kModalResultOk = 10;
inline constexpr std::int32_t kModalResultCansel = 20;

// The form window and its controls, declared in the order they are made.
struct Form2 {
    std::shared_ptr<ui::Form> FormWindow;
    std::shared_ptr<ui::Panel> BottomPanel;
    std::shared_ptr<ui::Panel> TopPanel;  // holds every control below
    std::shared_ptr<ui::Label> HotspotNameLabel;
    std::shared_ptr<ui::Label> TitleLabel;
    std::shared_ptr<ui::Label> HintLabel1;
    std::shared_ptr<ui::Label> HintLabel2;
    std::shared_ptr<ui::Label> PluginNameLabel;
    std::shared_ptr<ui::Button> OkButton;
    std::shared_ptr<ui::Button> CanselButton;
    std::shared_ptr<ui::EditBox> HotspotNameEdit;
    std::shared_ptr<ui::CheckBox> UseHotspotCheck;
    std::shared_ptr<ui::EditBox> PluginNameEdit;
    std::int32_t ModalResult = kModalResultOpen;
    PluginSettings* Settings = nullptr;  // what the form shows and OK stores

    Form2() = default;
    Form2(const Form2&) = delete;
    Form2& operator=(const Form2&) = delete;
    // Destroys the form window with its controls.
    ~Form2();

    // Gone by OK, by Cansel, or because its window was destroyed some other way.
    bool Closed() const { return ModalResult != kModalResultOpen || FormWindow->Destroyed(); }
};

// Builds the hidden form under `applet`, with its controls and button actions, and loads
// the settings of the temporary settings file into `settings` and the controls. The form
// works on `settings` until it is destroyed.
std::unique_ptr<Form2> CreateForm2(const std::shared_ptr<ui::AppWindow>& applet, PluginSettings& settings);

// OK: stores the check box and the hotspot name (as typed) in the settings and
// the temporary settings file, then closes with kModalResultOk.
void OkAction(Form2& form);
// Cansel: closes with kModalResultCansel; nothing is written or restored.
void CanselAction(Form2& form);

}  // namespace tevpng::dialog
