#include "ui/controls.h"

#include "ui/application.h"

namespace tevpng::ui {

namespace {

// The kinds keep their constructors protected; this makes one in a shared_ptr.
template <typename T, typename... Args>
std::shared_ptr<T> MakeWindow(Args&&... args) {
    struct Made : T {
        explicit Made(Args&&... forwarded) : T(std::forward<Args>(forwarded)...) {}
    };
    return std::make_shared<Made>(std::forward<Args>(args)...);
}

constexpr DWORD kControl = WS_CHILD | WS_VISIBLE;

HBRUSH SystemBrush(int colorIndex) { return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(colorIndex + 1)); }

}  // namespace

// ---- application window and form -----------------------------------------

AppWindow::AppWindow(const std::string& caption)
    : Window(nullptr, {"App",
                       false,
                       false,
                       WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
                       0,
                       {0, 0, 0, 0},
                       nullptr}) {
    SetText(caption);
}

std::shared_ptr<AppWindow> AppWindow::Create(const std::string& caption) {
    auto window = MakeWindow<AppWindow>(caption);
    window->Handle();
    if (!ApplicationWindow())
        AdoptApplicationWindow(window);
    else
        window->SetVisible(false);
    return window;
}

Form::Form(const std::shared_ptr<Window>& owner, const std::string& caption)
    : Window(owner, {"Form",
                     false,
                     false,
                     WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                     WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE,
                     {0, 0, 320, 240},
                     SystemBrush(COLOR_BTNFACE)}) {
    SetText(caption);
}

std::shared_ptr<Form> Form::Create(const std::shared_ptr<Window>& owner, const std::string& caption) {
    return MakeWindow<Form>(owner, caption);
}

// ---- label ---------------------------------------------------------------

Label::Label(const std::shared_ptr<Window>& parent, const std::string& text, int left, int top)
    : Window(parent, {"STATIC",
                      true,
                      true,
                      kControl | SS_LEFT | SS_NOPREFIX,
                      0,
                      {left, top, left + 65, top + 17},
                      nullptr}) {
    SetText(text);
}

std::shared_ptr<Label> Label::Create(const std::shared_ptr<Window>& parent, const std::string& text, int left,
                                     int top) {
    auto label = MakeWindow<Label>(parent, text, left, top);
    AdoptControl(label);
    return label;
}

void Label::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustSize();
}

void Label::AdjustSize() {
    if (!autoSize_) return;
    // Measured on the screen, so a label can be sized before its window exists.
    const win32::WindowDc screen = win32::GetWindowDc(nullptr);
    if (!screen) return;
    const HDC dc = screen.Get().dc;
    const win32::Selection font = win32::SelectInto(dc, FontObject());
    const std::string text = Text();
    RECT extent{0, 0, 0, 0};
    // An empty label keeps the height of one line of its font.
    DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &extent,
              DT_CALCRECT | DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS);
    SetSize(text.empty() ? 0 : extent.right, extent.bottom);
}

// ---- buttons -------------------------------------------------------------

Button::Button(const std::shared_ptr<Window>& parent, const std::string& caption)
    : Window(parent,
             {"BUTTON", true, true, kControl | WS_TABSTOP | BS_PUSHBUTTON, 0, {0, 0, 75, 22}, nullptr}) {
    SetText(caption);
}

std::shared_ptr<Button> Button::Create(const std::shared_ptr<Window>& parent, const std::string& caption) {
    auto button = MakeWindow<Button>(parent, caption);
    AdoptControl(button);
    return button;
}

bool Button::HandleNotification(WORD code) {
    if (code != BN_CLICKED) return false;
    RunClickHandler();
    return true;
}

CheckBox::CheckBox(const std::shared_ptr<Window>& parent, const std::string& caption)
    : Window(parent,
             {"BUTTON", true, true, kControl | WS_TABSTOP | BS_AUTOCHECKBOX, 0, {0, 0, 97, 17}, nullptr}) {
    SetText(caption);
}

std::shared_ptr<CheckBox> CheckBox::Create(const std::shared_ptr<Window>& parent,
                                           const std::string& caption) {
    auto box = MakeWindow<CheckBox>(parent, caption);
    AdoptControl(box);
    return box;
}

bool CheckBox::Checked() const {
    if (HWND window = HandleIfMade()) return SendMessageA(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return checked_;
}

void CheckBox::SetChecked(bool checked) {
    checked_ = checked;
    if (HWND window = HandleIfMade())
        SendMessageA(window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckBox::HandleNotification(WORD code) {
    if (code != BN_CLICKED) return false;
    RunClickHandler();
    return true;
}

void CheckBox::HandleMade() { SetChecked(checked_); }

void CheckBox::HandleDestroying() {
    Window::HandleDestroying();
    checked_ = Checked();
}

// ---- edit box ------------------------------------------------------------

EditBox::EditBox(const std::shared_ptr<Window>& parent, const std::string& text)
    : Window(parent, {"EDIT",
                      true,
                      true,
                      kControl | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
                      WS_EX_CLIENTEDGE,
                      {0, 0, 121, 22},
                      nullptr}) {
    SetText(text);
}

std::shared_ptr<EditBox> EditBox::Create(const std::shared_ptr<Window>& parent, const std::string& text) {
    auto edit = MakeWindow<EditBox>(parent, text);
    AdoptControl(edit);
    return edit;
}

void EditBox::SetReadOnly(bool readOnly) {
    SetStyleBit(ES_READONLY, readOnly);
    if (HWND window = HandleIfMade()) SendMessageA(window, EM_SETREADONLY, readOnly, 0);
}

bool EditBox::HandleControlColor(HDC dc, LRESULT& brush) {
    // Read-only edit boxes would otherwise take the dialog colour.
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    brush = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    return true;
}

// ---- panel ---------------------------------------------------------------

Panel::Panel(const std::shared_ptr<Window>& parent)
    : Window(
          parent,
          {"STATIC", true, true, kControl | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, {0, 0, 185, 41}, nullptr}) {
}

std::shared_ptr<Panel> Panel::Create(const std::shared_ptr<Window>& parent) {
    auto panel = MakeWindow<Panel>(parent);
    AdoptControl(panel);
    return panel;
}

bool Panel::HandleMessage(Message& message) {
    if (message.id != WM_PAINT || HasPaintHandler()) return Window::HandleMessage(message);
    const win32::PaintDc paint = win32::BeginPaintDc(HandleIfMade());
    RECT client{};
    GetClientRect(HandleIfMade(), &client);
    if (paint) {
        FillRect(paint.Get().paint.hdc, &client, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(paint.Get().paint.hdc, &client, BDR_RAISEDINNER, BF_RECT);
    }
    message.result = 0;
    return true;
}

}  // namespace tevpng::ui
