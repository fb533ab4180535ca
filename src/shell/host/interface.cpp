// Interface: the settings dialog in a modal loop of its own, while the host
// keeps being served.
#include <memory>

#include "dialog/settings_dialog.h"
#include "host/lifecycle.h"
#include "host/module_state.h"
#include "settings/settings_file.h"
#include "ui/controls.h"
#include "ui/message_pump.h"

namespace tevpng::host {

namespace {

constexpr char kDialogAppletCaption[] = "formset";

// Holds the dialog's applet in the binding for as long as the dialog is open,
// and takes both down however Interface is left.
class OpenDialog {
public:
    explicit OpenDialog(image::Plugin& plugin) : plugin_(plugin) {
        auto applet = ui::AppWindow::Create(kDialogAppletCaption);
        applet->SetVisible(false);
        plugin_.Binding.DialogApplet = std::move(applet);
    }
    ~OpenDialog() {
        form_.reset();
        image::HostBinding& binding = plugin_.Binding;
        if (binding.DialogApplet) binding.DialogApplet->Destroy();
        binding.DialogApplet.reset();
    }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;

    dialog::Form2& Build() {
        form_ = dialog::CreateForm2(plugin_.Binding.DialogApplet, plugin_.State.Settings);
        return *form_;
    }

private:
    image::Plugin& plugin_;
    std::unique_ptr<dialog::Form2> form_;
};

// Waits for a message, then dispatches all that are waiting, until the form is
// closed. A WM_QUIT closes it as Cansel would; the pump leaves the quit pending
// for the loop that owns the thread.
void RunModalLoop(dialog::Form2& form) {
    while (!form.Closed()) {
        ui::WaitForMessage();
        if (ui::ProcessMessages()) {
            if (form.ModalResult == dialog::kModalResultOpen) dialog::CanselAction(form);
            return;
        }
    }
}

}  // namespace

std::int32_t Interface(image::Plugin& plugin) {
    RecomputeModuleName(plugin.State.Settings);
    if (plugin.Binding.DialogApplet) return 0;  // already open: a nested call leaves it alone

    OpenDialog dialog(plugin);
    dialog::Form2& form = dialog.Build();
    form.FormWindow->SetVisible(true);
    form.FormWindow->SetEnabled(true);
    const PluginSettings& settings = plugin.State.Settings;
    form.UseHotspotCheck->SetChecked(settings.UseHotspot);
    form.HotspotNameEdit->SetText(settings.HotspotName);
    RunModalLoop(form);
    return 0;
}

}  // namespace tevpng::host
