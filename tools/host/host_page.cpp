#include "host_page.h"

#include "hotspot_message.h"
#include "page_background.h"
#include "win32/handles.h"

namespace tevhost {

namespace win32 = tevpng::win32;

namespace {

constexpr char kPageClass[] = "TevHostPage";

void RegisterPageClass(WNDPROC procedure) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSA page{};
    page.lpfnWndProc = procedure;
    page.hInstance = GetModuleHandleA(nullptr);
    page.hCursor = LoadCursor(nullptr, IDC_ARROW);
    page.lpszClassName = kPageClass;
    registered = RegisterClassA(&page) != 0;
}

// The plug-in's place, shown as a dotted frame just outside the rectangle so that it
// never lies under the image.
void PaintPluginFrame(HDC dc, const PageRect& rect) {
    const win32::PenHandle dotted(CreatePen(PS_DOT, 1, RGB(90, 90, 90)));
    const win32::Selection pen = win32::SelectInto(dc, dotted.Get());
    const win32::Selection brush = win32::SelectInto(dc, GetStockObject(NULL_BRUSH));
    SetBkMode(dc, TRANSPARENT);
    Rectangle(dc, rect.x - 1, rect.y - 1, rect.x + rect.width + 1, rect.y + rect.height + 1);
}

void PaintHotspot(HDC dc, const PageObject& hotspot) {
    const PageRect& r = hotspot.rect;
    const win32::PenHandle solid(CreatePen(PS_SOLID, 2, RGB(230, 0, 200)));
    const win32::Selection pen = win32::SelectInto(dc, solid.Get());
    const win32::Selection brush = win32::SelectInto(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, r.x, r.y, r.x + r.width, r.y + r.height);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(230, 0, 200));
    SetTextColor(dc, RGB(255, 255, 255));
    const win32::Selection font = win32::SelectInto(dc, GetStockObject(DEFAULT_GUI_FONT));
    TextOutA(dc, r.x + 3, r.y + 3, hotspot.name.c_str(), static_cast<int>(hotspot.name.size()));
}

}  // namespace

std::string ToText(const PageRect& rect) {
    return std::to_string(rect.x) + "," + std::to_string(rect.y) + "," + std::to_string(rect.width) + "," +
           std::to_string(rect.height);
}

HostPage::HostPage(HWND parent, int x, int y, PluginLibrary& plugin, LogFunction log)
    : plugin_(plugin), log_(std::move(log)) {
    RegisterPageClass(WindowProc);
    window_ = CreateWindowExA(0, kPageClass, "page", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, kWidth,
                              kHeight, parent, nullptr, GetModuleHandleA(nullptr), this);
}

HostPage::~HostPage() {
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void HostPage::Bind() {
    plugin_.SetParentWindow(window_);
    bound_ = true;
}

void HostPage::PlacePlugin(const PageRect& rect) {
    layoutRect_ = rect;
    pluginRect_ = rect;
}

void HostPage::SetPluginSize(std::int32_t width, std::int32_t height) {
    pluginRect_.width = width;
    pluginRect_.height = height;
}

void HostPage::Repaint() {
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
}

std::vector<std::uint32_t> HostPage::CapturePixels() const {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const win32::WindowDc page = win32::GetWindowDc(window_);
    if (!page) return {};
    const HDC pageDc = page.Get().dc;
    const win32::MemoryDc memory(CreateCompatibleDC(pageDc));
    void* bits = nullptr;
    const win32::BitmapHandle section(CreateDIBSection(pageDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !section || !bits) return {};
    {
        const win32::Selection selected = win32::SelectInto(memory.Get(), section.Get());
        if (!BitBlt(memory.Get(), 0, 0, kWidth, kHeight, pageDc, 0, 0, SRCCOPY)) return {};
        GdiFlush();
    }
    const auto* first = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(first, first + kWidth * kHeight);
    for (std::uint32_t& pixel : pixels) pixel &= 0x00FFFFFF;
    return pixels;
}

LRESULT CALLBACK HostPage::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* page = reinterpret_cast<HostPage*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (page && page->window_ == window) return page->HandleMessage(message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT HostPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint handler covers every pixel
        case WM_SIZE:
            // Our page has a fixed size; a WM_SIZE that says 0 x 0 is the plug-in's request.
            if (wParam == SIZE_RESTORED && lParam == 0) OnSizeRequest();
            return 0;
        case kScriptMessage:
            OnScript(wParam, reinterpret_cast<const char*>(lParam));
            return 0;
        case WM_NCDESTROY:
            window_ = nullptr;  // destroyed with the frame
            return 0;
        default:
            return DefWindowProcA(window_, message, wParam, lParam);
    }
}

void HostPage::Paint() {
    const win32::PaintDc paint = win32::BeginPaintDc(window_);
    if (!paint) return;
    HDC dc = paint.Get().paint.hdc;
    PaintPageBackground(dc, kWidth, kHeight);
    PaintPluginFrame(dc, pluginRect_);
    // The plug-in blends over what is already there, so it comes after the background.
    if (bound_) plugin_.Draw(dc, pluginRect_.x, pluginRect_.y, pluginRect_.width, pluginRect_.height);
    PaintHotspot(dc, hotspot_);
}

void HostPage::OnSizeRequest() {
    ++sizeRequests_;
    log_("WM_SIZE from the plug-in: the page is laid out again and repainted");
    pluginRect_ = layoutRect_;
    InvalidateRect(window_, nullptr, FALSE);
}

void HostPage::OnScript(WPARAM mode, const char* text) {
    // The text belongs to the plug-in and lives only until its next script: copy it now.
    const std::string script = text ? text : "";
    scripts_.push_back(script);
    log_("script received (message 2247, wParam " + std::to_string(mode) + "):");
    std::size_t start = 0;
    while (start < script.size()) {
        std::size_t end = script.find("\r\n", start);
        if (end == std::string::npos) end = script.size();
        log_("    " + script.substr(start, end - start));
        start = end + 2;
    }
    if (mode != kScriptRunMode) return;
    const std::optional<MoveObject> move = FindMoveObject(script);
    if (!move) {
        log_("    (no MoveObject call the host understands)");
        return;
    }
    if (move->name != hotspot_.name) {
        log_("    (no page object named '" + move->name + "')");
        return;
    }
    const PageRect target{move->x, move->y, move->width, move->height};
    if (target == hotspot_.rect) return;
    hotspot_.rect = target;
    log_("    -> " + hotspot_.name + " moved to " + ToText(target));
    // Only a move repaints: the repaint's Draw brings another script, with the same place.
    InvalidateRect(window_, nullptr, FALSE);
}

}  // namespace tevhost
