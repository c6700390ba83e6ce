#include "ui/Window.h"

#include "ui/Accessibility.h"
#include "ui/Layout.h"
#include "ui/PhaseTrace.h"
#include "ui/Toolkit.h"
#include "ui/WindowHost.h"

#include <algorithm>
#include <functional>
#include <map>

namespace ui {

// Turns a layout document into a control tree.
class LayoutBuilder {
public:
    explicit LayoutBuilder(Window& window) : window_(window) {}

    // The root of a window layout ("Window" with fonts, styles and one
    // control), or of an item layout (a bare control).
    std::unique_ptr<Control> Build(const XmlElement& root, std::wstring& error) {
        if (root.name != L"Window") return BuildControl(root, error);
        for (const auto& [name, value] : root.attributes) {
            if (name == L"size") {
                if (!ParseSize(value, window_.initialSize_)) return Fail(error, L"bad Window size");
            } else if (name == L"caption") {
                if (!ParseRect(value, window_.captionBand_)) return Fail(error, L"bad Window caption");
            } else if (name != L"mininfo" && name != L"maxinfo" && name != L"roundcorner") {
                return Fail(error, L"unknown Window attribute \"" + name + L"\"");
            }
        }
        std::unique_ptr<Control> control;
        for (const XmlElement& child : root.children) {
            if (child.name == L"Font") {
                if (!AddFont(child, error)) return nullptr;
            } else if (child.name == L"Style") {
                const std::wstring* name = child.Attribute(L"name");
                const std::wstring* value = child.Attribute(L"value");
                if (!name || !value) return Fail(error, L"Style needs name and value");
                window_.styles_.emplace_back(*name, *value);
            } else if (control) {
                return Fail(error, L"more than one root control");
            } else {
                control = BuildControl(child, error);
                if (!control) return nullptr;
            }
        }
        if (!control) return Fail(error, L"no root control");
        return control;
    }

private:
    static std::unique_ptr<Control> Fail(std::wstring& error, std::wstring text) {
        error = std::move(text);
        return nullptr;
    }

    bool AddFont(const XmlElement& element, std::wstring& error) {
        FontInfo font;
        for (const auto& [name, value] : element.attributes) {
            bool ok = true;
            if (name == L"id") ok = ParseInt(value, font.id);
            else if (name == L"name") font.face = value;
            else if (name == L"size") {
                // "+2" follows the language's default size; "14" is fixed.
                font.relative = !value.empty() && (value[0] == L'+' || value[0] == L'-');
                ok = ParseInt(value, font.size) && (font.relative || font.size > 0);
            }
            else if (name == L"bold") font.bold = ParseBool(value);
            else if (name == L"italic") font.italic = ParseBool(value);
            else if (name == L"underline") font.underline = ParseBool(value);
            else ok = false;
            if (!ok) {
                error = L"bad Font attribute \"" + name + L"\"";
                return false;
            }
        }
        if (font.id < 0 || font.face.empty()) {
            error = L"Font needs id and name";
            return false;
        }
        window_.fonts_.push_back(font);
        return true;
    }

    std::unique_ptr<Control> Create(std::wstring_view className) {
        static const std::map<std::wstring, std::function<std::unique_ptr<Control>()>, std::less<>> kFactories = {
            {L"VerticalLayout", [] { return std::make_unique<VerticalLayout>(); }},
            {L"HorizontalLayout", [] { return std::make_unique<HorizontalLayout>(); }},
            {L"TabLayout", [] { return std::make_unique<TabLayout>(); }},
            {L"List", [] { return std::make_unique<List>(); }},
            {L"ListContainerElement", [] { return std::make_unique<ListContainerElement>(); }},
            {L"Control", [] { return std::make_unique<Spacer>(); }},
            {L"Label", [] { return std::make_unique<Label>(); }},
            {L"Text", [] { return std::make_unique<TextControl>(); }},
            {L"Button", [] { return std::make_unique<Button>(); }},
            {L"Option", [] { return std::make_unique<Option>(); }},
            {L"Edit", [] { return std::make_unique<Edit>(); }},
            {L"RichEdit", [] { return std::make_unique<RichEdit>(); }},
            {L"GifAnim", [] { return std::make_unique<GifAnim>(); }},
        };
        const auto it = kFactories.find(className);
        if (it != kFactories.end()) return it->second();
        if (auto custom = window_.CreateControl(className)) return custom;
        return Toolkit::Process().CreateRegisteredControl(className);
    }

    std::unique_ptr<Control> BuildControl(const XmlElement& element, std::wstring& error) {
        std::unique_ptr<Control> control = Create(element.name);
        if (!control) return Fail(error, L"unknown element <" + element.name + L">");
        // Styles are looked up through the window while attributes apply.
        control->SetWindow(&window_, nullptr);
        if (const std::wstring* style = element.Attribute(L"style")) {
            if (!control->SetAttribute(L"style", *style))
                return Fail(error, L"unknown style \"" + *style + L"\" on <" + element.name + L">");
        }
        for (const auto& [name, value] : element.attributes) {
            if (name == L"style") continue;
            if (!control->SetAttribute(name, value))
                return Fail(error, L"bad attribute " + name + L"=\"" + value + L"\" on <" + element.name + L">");
        }
        Container* container = control->AsContainer();
        if (!container && !element.children.empty())
            return Fail(error, L"<" + element.name + L"> cannot hold children");
        for (const XmlElement& childElement : element.children) {
            std::unique_ptr<Control> child = BuildControl(childElement, error);
            if (!child) return nullptr;
            container->Add(std::move(child));
        }
        if (auto* tab = dynamic_cast<TabLayout*>(control.get())) tab->SelectItem(tab->CurrentSel());
        return control;
    }

    Window& window_;
};

Window::Window() = default;
Window::~Window() = default;

bool Window::Create(const WindowCreation& creation) {
    host_ = TheWindowSystem().NewWindowHost(*this);
    if (!host_->Create(GetWindowClassName(), GetClassStyle(), creation)) {
        host_.reset();
        return false;
    }
    announcing_ = true;
    // A pop-up shows at its owner's scale, on the same monitor.
    if (const Window* ownerWindow = WindowFromHandle(creation.owner)) SetDpi(ownerWindow->Dpi());
    return true;
}

bool Window::OnCreate() {
    std::wstring error;
    XmlElement document;
    const std::wstring layout = GetSkinFile();
    if (!LoadLayoutDocument(Toolkit::Process().Package(), layout, document, error)) {
        TheWindowSystem().ReportLayoutError(layout);
        return false;
    }
    MarkPhase("layout file");
    LayoutBuilder builder(*this);
    root_ = builder.Build(document, error);
    MarkPhase("layout build");
    if (!root_) {
        TheWindowSystem().ReportLayoutError(layout);
        return false;
    }
    root_->SetWindow(this, nullptr);
    if (initialSize_.cx > 0 && initialSize_.cy > 0) host_->Resize(initialSize_.cx, initialSize_.cy);
    InitWindow();
    SendNotify(root_.get(), L"windowinit");
    return true;
}

void Window::CenterWindow() {
    if (host_) host_->Center();
}

int Window::ShowModal() { return host_ ? host_->RunModal() : -1; }

void Window::Close(int result) {
    if (host_) host_->PostClose(result);
}

void Window::Destroy() {
    if (host_) host_->Destroy();
}

WindowHandle Window::Handle() const { return host_ ? host_->Handle() : nullptr; }

bool Window::IsWindow() const { return host_ && host_->IsAlive(); }

std::wstring Window::Caption() const { return host_ ? host_->Caption() : std::wstring(); }

void Window::SetCaption(const std::wstring& caption) {
    if (host_) host_->SetCaption(caption);
}

bool Window::IsMaximized() const { return host_ && host_->IsMaximized(); }

std::intptr_t Window::SendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return host_ ? host_->Send(message, wParam, lParam) : 0;
}

Control* Window::FindControl(std::wstring_view name) const { return root_ ? root_->FindControl(name) : nullptr; }

void Window::ForgetControl(Control* control) {
    if (host_) host_->ForgetControl(control);
}

void Window::SetFocusTo(Control* control) {
    if (!host_) return;
    if (Control* before = host_->FocusedControl(); before && before != control) before->KillFocus();
    host_->SetFocusTo(control);
}

void Window::SendNotify(Control* sender, std::wstring_view type, std::uintptr_t wParam, std::intptr_t lParam) {
    Notification notification{std::wstring(type), sender, wParam, lParam};
    Notify(notification);
}

namespace {
void CollectOptions(Control* control, std::wstring_view group, std::vector<Option*>& out) {
    if (auto* option = dynamic_cast<Option*>(control); option && option->Group() == group) out.push_back(option);
    if (Container* container = control->AsContainer())
        for (std::size_t i = 0; i < container->Count(); ++i) CollectOptions(container->ItemAt(i), group, out);
}
}  // namespace

std::vector<Option*> Window::OptionsInGroup(std::wstring_view group) const {
    std::vector<Option*> options;
    if (root_) CollectOptions(root_.get(), group, options);
    return options;
}

void Window::NeedUpdate() {
    if (host_) host_->NeedUpdate();
}

void Window::Invalidate() {
    if (host_) host_->Invalidate();
}

void Window::AccessibleChanged(AccessibleChange change, Control& control) {
    if (!host_ || !announcing_ || !root_) return;
    Control* object = AccessibleObjectOf(control);
    // A control that was no object of its own (an empty label) may become
    // one: the tree changed.
    if (change == AccessibleChange::Structure || object == nullptr || (object == root_.get() && &control != object)) {
        host_->Announce(AccessibleChange::Structure, *root_);
        return;
    }
    if (!object->IsShown()) return;
    // An edit's text is its value; its name is its label's.
    if (change == AccessibleChange::Name && dynamic_cast<Edit*>(object)) change = AccessibleChange::Value;
    host_->Announce(change, *object);
}

void Window::UpdateLayout() {
    if (root_ && host_) root_->SetPos(host_->ClientRect());
}

const FontInfo* Window::GetFont(int id) const {
    for (const FontInfo& font : fonts_)
        if (font.id == id) return &font;
    return nullptr;
}

void Window::SetDefaultFont(const std::wstring& face, int size, bool bold, bool underline, bool italic) {
    defaultFont_ = FontInfo{-1, face, size, bold, italic, underline};
    Invalidate();
}

std::wstring Window::StyleAttributes(std::wstring_view name) const {
    for (const auto& [styleName, value] : styles_)
        if (styleName == name) return value;
    return std::wstring();
}

FontInfo Window::EffectiveFont(int id) const {
    const FontInfo* font = GetFont(id);
    if (font == nullptr) return defaultFont_;
    FontInfo effective = *font;
    if (effective.relative) effective.size = std::max(1, defaultFont_.size + font->size);
    effective.relative = false;
    return effective;
}

Size Window::MeasureText(const std::wstring& text, int fontId) const {
    return host_ ? host_->MeasureText(text, EffectiveFont(fontId)) : Size{};
}

void Window::SetDpi(int dpi) {
    if (dpi <= 0 || dpi == dpi_) return;
    dpi_ = dpi;
    if (host_) host_->SetDpi(dpi);
    NeedUpdate();
}

std::unique_ptr<Control> Window::BuildSubLayout(std::wstring_view entryName) {
    XmlElement document;
    std::wstring error;
    if (!LoadLayoutDocument(Toolkit::Process().Package(), entryName, document, error)) return nullptr;
    LayoutBuilder builder(*this);
    std::unique_ptr<Control> control = builder.Build(document, error);
    if (control) control->SetWindow(this, nullptr);
    return control;
}

std::intptr_t Window::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, bool& handled) {
    handled = false;
    std::intptr_t result = HandleCustomMessage(message, wParam, lParam, handled);
    if (handled) return result;
    if (message == wm::kSysCommand) return OnSysCommand(wParam, lParam, handled);
    return 0;
}

void Window::FinalMessage() { OnFinalMessage(); }

std::intptr_t Window::DefaultProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return host_ ? host_->DefaultProc(message, wParam, lParam) : 0;
}

void Window::Notify(Notification& notification) {
    if (notification.type == L"click") OnClick(notification);
}

std::intptr_t Window::HandleCustomMessage(unsigned, std::uintptr_t, std::intptr_t, bool& handled) {
    handled = false;
    return 0;
}

std::intptr_t Window::OnSysCommand(std::uintptr_t, std::intptr_t, bool& handled) {
    handled = false;
    return 0;
}

std::unique_ptr<Control> Window::CreateControl(std::wstring_view) { return nullptr; }

}  // namespace ui
