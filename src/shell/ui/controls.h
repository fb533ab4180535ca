#pragma once

// The kinds of windows the plug-in makes: application windows, forms, and the
// child controls of its settings dialog and display window.
#include <memory>
#include <string>

#include "ui/window.h"

namespace tevpng::ui {

// A hidden top-level window of class "App" that forms are made under. The first
// one made becomes the library-wide application window (application.h).
class AppWindow : public Window {
public:
    // Made at once; every application window but the first is hidden right after.
    static std::shared_ptr<AppWindow> Create(const std::string& caption);

protected:
    explicit AppWindow(const std::string& caption);
};

// A top-level window of class "Form", owned by the given (application) window.
// Made hidden; its handle is made on the first request.
class Form : public Window {
public:
    static std::shared_ptr<Form> Create(const std::shared_ptr<Window>& owner, const std::string& caption);

protected:
    Form(const std::shared_ptr<Window>& owner, const std::string& caption);
};

// Static text ("STATIC"). With auto size on (the default) it takes the size of
// its text, measured with DrawTextA in its font, whenever the text or font changes.
class Label : public Window {
public:
    static std::shared_ptr<Label> Create(const std::shared_ptr<Window>& parent, const std::string& text,
                                         int left = 0, int top = 0);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);

protected:
    Label(const std::shared_ptr<Window>& parent, const std::string& text, int left, int top);
    void TextChanged() override { AdjustSize(); }
    void FontChanged() override { AdjustSize(); }

private:
    void AdjustSize();
    bool autoSize_ = true;
};

// Push button ("BUTTON"); its click handler runs when it is clicked (BN_CLICKED).
class Button : public Window {
public:
    static std::shared_ptr<Button> Create(const std::shared_ptr<Window>& parent, const std::string& caption);

protected:
    Button(const std::shared_ptr<Window>& parent, const std::string& caption);
    bool HandleNotification(WORD code) override;
    bool ClicksOnMouseButtons() const override { return false; }
};

// Check box ("BUTTON", checks itself when clicked); the click handler runs after.
class CheckBox : public Window {
public:
    static std::shared_ptr<CheckBox> Create(const std::shared_ptr<Window>& parent,
                                            const std::string& caption);
    bool Checked() const;
    void SetChecked(bool checked);

protected:
    CheckBox(const std::shared_ptr<Window>& parent, const std::string& caption);
    bool HandleNotification(WORD code) override;
    bool ClicksOnMouseButtons() const override { return false; }
    void HandleMade() override;
    void HandleDestroying() override;

private:
    bool checked_ = false;
};

// Single-line edit box ("EDIT") on the system window colour, optionally read-only.
class EditBox : public Window {
public:
    static std::shared_ptr<EditBox> Create(const std::shared_ptr<Window>& parent, const std::string& text);
    bool ReadOnly() const { return (Style() & ES_READONLY) != 0; }
    void SetReadOnly(bool readOnly);

protected:
    EditBox(const std::shared_ptr<Window>& parent, const std::string& text);
    bool HandleControlColor(HDC dc, LRESULT& brush) override;
};

// A plain area with a raised edge that holds other controls ("STATIC").
class Panel : public Window {
public:
    static std::shared_ptr<Panel> Create(const std::shared_ptr<Window>& parent);

protected:
    explicit Panel(const std::shared_ptr<Window>& parent);
    bool HandleMessage(Message& message) override;
};

}  // namespace tevpng::ui
