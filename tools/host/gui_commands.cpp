#include "gui_commands.h"

#include <commdlg.h>

#include <cstdio>

#include "resource_ids.h"

namespace tevhost {

namespace {

constexpr char kPngFilter[] = "PNG images (*.png)\0*.png\0All files (*.*)\0*.*\0";

// The names an Explorer-style multiple selection returns: one full path, or a
// directory followed by the names in it.
std::vector<std::string> SelectedFiles(const char* buffer) {
    std::vector<std::string> parts;
    for (const char* p = buffer; *p; p += std::string(p).size() + 1) parts.emplace_back(p);
    if (parts.size() <= 1) return parts;
    std::vector<std::string> files;
    std::string directory = parts[0];
    if (directory.back() != '\\') directory += '\\';
    for (std::size_t i = 1; i < parts.size(); ++i) files.push_back(directory + parts[i]);
    return files;
}

struct ResizeValues {
    int width;
    int height;
};

INT_PTR CALLBACK ResizeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* values = reinterpret_cast<ResizeValues*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            values = reinterpret_cast<ResizeValues*>(lParam);
            SetDlgItemInt(dialog, IDC_RESIZE_WIDTH, static_cast<UINT>(values->width), FALSE);
            SetDlgItemInt(dialog, IDC_RESIZE_HEIGHT, static_cast<UINT>(values->height), FALSE);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                values->width = static_cast<int>(GetDlgItemInt(dialog, IDC_RESIZE_WIDTH, nullptr, FALSE));
                values->height = static_cast<int>(GetDlgItemInt(dialog, IDC_RESIZE_HEIGHT, nullptr, FALSE));
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void GuiCommands::Handle(int command) {
    switch (command) {
        case IDM_OPEN: return OpenPng();
        case IDM_SAVE_SCALED: return SaveScaled();
        case IDM_EXIT: DestroyWindow(window_.Frame()); return;
        case IDM_RESIZE: return Resize();
        case IDM_RESTORE: return Restore();
        case IDM_KEY_COLOUR: return KeyColour();
        case IDM_SPRITE_FILES: return SpriteFromFiles();
        case IDM_SPRITE_MODE: return ToggleSpriteMode();
        case IDM_NEXT_FRAME: return StepFrame(1);
        case IDM_PREVIOUS_FRAME: return StepFrame(-1);
        case IDM_SETTINGS: return Settings();
        case IDM_SHOW_HIDE:
            plugin_.shide();
            Log("shide");
            window_.Page().Repaint();
            return;
        case IDM_TEST:
            plugin_.test();
            window_.Page().Repaint();
            return;
        case IDM_ABOUT: return About();
        default: return;
    }
}

void GuiCommands::OpenAtStart(const std::vector<std::string>& files) {
    if (files.empty()) return;
    Open(files[0]);
    if (files.size() > 1) MakeSprite(files);
}

void GuiCommands::Open(const std::string& path) {
    plugin_.SetFile(path.c_str());
    plugin_.loadpng();
    Log("SetFile " + path + ", loadpng");
    HostPage& page = window_.Page();
    page.PlacePlugin(HostPage::kDefaultPluginRect);
    page.Repaint();
}

void GuiCommands::MakeSprite(const std::vector<std::string>& files) {
    std::string list;
    for (const std::string& file : files) list += file + "#";
    plugin_.SetFile(list.c_str());
    plugin_.SetData(static_cast<std::int32_t>(files.size()));
    plugin_.makesprite();
    frameCount_ = static_cast<int>(files.size());
    currentFrame_ = 0;
    plugin_.SetData(0);
    plugin_.setcurframe();
    Log("makesprite with " + std::to_string(files.size()) + " frames (Sprite mode shows them)");
    window_.Page().Repaint();
}

void GuiCommands::OpenPng() {
    char path[MAX_PATH] = {};
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_.Frame();
    dialog.lpstrFilter = kPngFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&dialog)) Open(path);
}

void GuiCommands::SaveScaled() {
    char path[MAX_PATH] = "scaled.png";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_.Frame();
    dialog.lpstrFilter = kPngFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = "png";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&dialog)) return;
    plugin_.SetFile(path);
    plugin_.savescaled();
    Log(std::string("SetFile ") + path + ", savescaled");
    window_.Page().Repaint();
}

void GuiCommands::Resize() {
    HostPage& page = window_.Page();
    ResizeValues values{page.PluginRect().width, page.PluginRect().height};
    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RESIZE), window_.Frame(), ResizeDialogProc,
                        reinterpret_cast<LPARAM>(&values)) != IDOK) {
        return;
    }
    // The width goes first, the height last.
    plugin_.SetData(values.width);
    plugin_.SetData(values.height);
    plugin_.resizepng();
    Log("SetData " + std::to_string(values.width) + ", SetData " + std::to_string(values.height) + ", resizepng");
    // The plug-in object takes the size the host asked for.
    page.SetPluginSize(values.width, values.height);
    page.Repaint();
}

void GuiCommands::Restore() {
    plugin_.restorepng();
    Log("restorepng (the plug-in asks for the repaint with WM_SIZE)");
}

void GuiCommands::KeyColour() {
    static COLORREF custom[16] = {};
    CHOOSECOLORA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_.Frame();
    dialog.lpCustColors = custom;
    dialog.Flags = CC_FULLOPEN;
    if (!ChooseColorA(&dialog)) return;
    plugin_.SetData(static_cast<std::int32_t>(dialog.rgbResult));
    plugin_.setalphacolor();
    char text[64];
    std::snprintf(text, sizeof text, "SetData 0x%06lX, setalphacolor", static_cast<unsigned long>(dialog.rgbResult));
    Log(text);
    window_.Page().Repaint();
}

void GuiCommands::SpriteFromFiles() {
    std::vector<char> buffer(32768, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_.Frame();
    dialog.lpstrFilter = kPngFilter;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER;
    if (GetOpenFileNameA(&dialog)) MakeSprite(SelectedFiles(buffer.data()));
}

void GuiCommands::ToggleSpriteMode() {
    spriteMode_ = !spriteMode_;
    plugin_.SetData(spriteMode_ ? 1 : 0);
    plugin_.spriteanim();
    CheckMenuItem(GetMenu(window_.Frame()), IDM_SPRITE_MODE, spriteMode_ ? MF_CHECKED : MF_UNCHECKED);
    Log(std::string("SetData ") + (spriteMode_ ? "1" : "0") + ", spriteanim");
    window_.Page().Repaint();
}

void GuiCommands::StepFrame(int delta) {
    if (frameCount_ < 1) {
        Log("no sprite: Sprite > Sprite from files... makes one");
        return;
    }
    currentFrame_ = (currentFrame_ + delta + frameCount_) % frameCount_;
    plugin_.SetData(currentFrame_);
    plugin_.setcurframe();
    Log("SetData " + std::to_string(currentFrame_) + ", setcurframe");
    window_.Page().Repaint();
}

void GuiCommands::Settings() {
    plugin_.Interface();
    // The plug-in holds the dialog's settings at once; the repaint's Draw brings a script
    // with them.
    Log("Interface");
    window_.Page().Repaint();
}

void GuiCommands::About() {
    const std::string text = std::string(plugin_.GetShortInfo()) + "\r\n\r\n" + plugin_.GetInfo() + "\r\n" +
                             plugin_.Copyright() + "\r\n\r\nLoaded from " + plugin_.Path();
    MessageBoxA(window_.Frame(), text.c_str(), "About the plug-in", MB_OK | MB_ICONINFORMATION);
}

}  // namespace tevhost
