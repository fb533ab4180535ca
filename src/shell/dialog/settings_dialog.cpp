#include "dialog/settings_dialog.h"

#include "settings/settings_file.h"

namespace tevpng::dialog {

namespace {

// The form's texts, as the Windows-1251 bytes its users read.
namespace captions {
// "Имя Hotspot" - hotspot name
constexpr char HotspotName[] = "\xC8\xEC\xFF Hotspot";
// "Поддержка событий мышки" - mouse event support
constexpr char Title[] =
    "\xCF\xEE\xE4\xE4\xE5\xF0\xE6\xEA\xE0 \xF1\xEE\xE1\xFB\xF2\xE8\xE9 \xEC\xFB\xF8\xEA\xE8";
// "Указанный hotspot будет перемещатся вместе с плагином" - the hotspot moves with the plug-in
constexpr char Hint1[] =
    "\xD3\xEA\xE0\xE7\xE0\xED\xED\xFB\xE9 hotspot \xE1\xF3\xE4\xE5\xF2 "
    "\xEF\xE5\xF0\xE5\xEC\xE5\xF9\xE0\xF2\xF1\xFF \xE2\xEC\xE5\xF1\xF2\xE5 \xF1 "
    "\xEF\xEB\xE0\xE3\xE8\xED\xEE\xEC";
// "Необходимые действия прописывать в его скрипте" - write the actions in its script
constexpr char Hint2[] =
    "\xCD\xE5\xEE\xE1\xF5\xEE\xE4\xE8\xEC\xFB\xE5 \xE4\xE5\xE9\xF1\xF2\xE2\xE8\xFF "
    "\xEF\xF0\xEE\xEF\xE8\xF1\xFB\xE2\xE0\xF2\xFC \xE2 \xE5\xE3\xEE \xF1\xEA\xF0\xE8\xEF\xF2\xE5";
// "Имя плагина" - plug-in name
constexpr char PluginName[] = "\xC8\xEC\xFF \xEF\xEB\xE0\xE3\xE8\xED\xE0";
constexpr char Form[] = "Form2";
constexpr char Ok[] = "OK";
constexpr char Cansel[] = "Cansel";
}  // namespace captions

constexpr int kFormLeft = 420;  // screen coordinates
constexpr int kFormTop = 203;
constexpr int kFormClientWidth = 316;
constexpr int kFormClientHeight = 384;
const ui::FontSpec kFormFont{"Arial", 14, true};

struct PanelPlacement {
    std::shared_ptr<ui::Panel> Form2::*panel;
    int left, top, width, height;
};

constexpr PanelPlacement kPanels[] = {
    {&Form2::BottomPanel, 0, 144, 313, 233},
    {&Form2::TopPanel, 0, 0, 313, 145},
};

// The labels size themselves to their texts.
struct LabelPlacement {
    std::shared_ptr<ui::Label> Form2::*label;
    const char* caption;
    int left, top, fontHeight;
};

constexpr LabelPlacement kLabels[] = {
    {&Form2::HotspotNameLabel, captions::HotspotName, 5, 77, 12},
    {&Form2::TitleLabel, captions::Title, 53, 5, 18},
    {&Form2::HintLabel1, captions::Hint1, 13, 37, 12},
    {&Form2::HintLabel2, captions::Hint2, 29, 53, 12},
    {&Form2::PluginNameLabel, captions::PluginName, 157, 77, 12},
};

// Buttons and edit boxes keep their default heights.
struct ButtonPlacement {
    std::shared_ptr<ui::Button> Form2::*button;
    const char* caption;
    int left, top, width;
};

constexpr ButtonPlacement kButtons[] = {
    {&Form2::OkButton, captions::Ok, 21, 101, 137},
    {&Form2::CanselButton, captions::Cansel, 157, 101, 136},
};

void PlaceKeepingHeight(ui::Window& control, int left, int top, int width) {
    control.SetBounds(left, top, width, control.Height());
}

void BuildFormWindow(Form2& form, const std::shared_ptr<ui::AppWindow>& applet) {
    form.FormWindow = ui::Form::Create(applet, captions::Form);
    ui::Form& window = *form.FormWindow;
    // OK and Cansel are the only ways out: no boxes, and no Close in the system menu.
    window.SetStyle(window.Style() & ~static_cast<DWORD>(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    window.SetLeft(kFormLeft);
    window.SetTop(kFormTop);
    window.SetClientSize(kFormClientWidth, kFormClientHeight);
    window.SetTopmost();
    window.SetFont(kFormFont);
    window.RemoveCloseCommand();
}

void BuildControls(Form2& form) {
    for (const PanelPlacement& placement : kPanels) {
        auto panel = ui::Panel::Create(form.FormWindow);
        panel->SetBounds(placement.left, placement.top, placement.width, placement.height);
        form.*placement.panel = std::move(panel);
    }
    const std::shared_ptr<ui::Panel>& top = form.TopPanel;
    for (const LabelPlacement& placement : kLabels) {
        auto label = ui::Label::Create(top, placement.caption, placement.left, placement.top);
        label->SetFontHeight(placement.fontHeight);
        form.*placement.label = std::move(label);
    }
    for (const ButtonPlacement& placement : kButtons) {
        auto button = ui::Button::Create(top, placement.caption);
        PlaceKeepingHeight(*button, placement.left, placement.top, placement.width);
        form.*placement.button = std::move(button);
    }
    form.HotspotNameEdit = ui::EditBox::Create(top, "");
    PlaceKeepingHeight(*form.HotspotNameEdit, 69, 69, 81);
    form.HotspotNameEdit->SetFontBold(false);

    form.UseHotspotCheck = ui::CheckBox::Create(top, "");
    form.UseHotspotCheck->SetBounds(277, 5, 20, 18);

    form.PluginNameEdit = ui::EditBox::Create(top, "");
    PlaceKeepingHeight(*form.PluginNameEdit, 229, 69, 73);
    form.PluginNameEdit->SetReadOnly(true);
}

void LoadSettings(Form2& form) {
    PluginSettings& settings = *form.Settings;
    host::LoadDialogSettings(settings);
    form.UseHotspotCheck->SetChecked(settings.UseHotspot);
    form.HotspotNameEdit->SetText(settings.HotspotName);
    form.PluginNameEdit->SetText(settings.ModuleName);
}

}  // namespace

Form2::~Form2() {
    if (FormWindow) FormWindow->Destroy();
}

std::unique_ptr<Form2> CreateForm2(const std::shared_ptr<ui::AppWindow>& applet, PluginSettings& settings) {
    auto form = std::make_unique<Form2>();
    form->Settings = &settings;
    BuildFormWindow(*form, applet);
    BuildControls(*form);
    // The form owns its buttons, so the actions never outlive it.
    Form2* self = form.get();
    form->OkButton->SetClickHandler([self] { OkAction(*self); });
    form->CanselButton->SetClickHandler([self] { CanselAction(*self); });
    LoadSettings(*form);
    return form;
}

void OkAction(Form2& form) {
    PluginSettings& settings = *form.Settings;
    host::RecomputeModuleName(settings);
    settings.UseHotspot = form.UseHotspotCheck->Checked();
    settings.HotspotName = form.HotspotNameEdit->Text();
    host::SaveDialogSettings(settings);
    form.ModalResult = kModalResultOk;
}

void CanselAction(Form2& form) { form.ModalResult = kModalResultCansel; }

}  // namespace tevpng::dialog
