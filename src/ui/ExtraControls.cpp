#include "ui/ExtraControls.h"

#include "base/Strings.h"
#include "ui/Window.h"

#include <algorithm>
#include <cwchar>

namespace ui {
namespace {

std::vector<std::wstring> SplitBars(std::wstring_view text) {
    std::vector<std::wstring> parts;
    if (text.empty()) return parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = text.find(L'|', start);
        parts.emplace_back(text.substr(start, bar == std::wstring_view::npos ? std::wstring_view::npos : bar - start));
        if (bar == std::wstring_view::npos) break;
        start = bar + 1;
    }
    return parts;
}

// A decimal number as written in a layout ("2", "2.5", " 3"); false for
// anything else, including trailing text.
bool ParseNumber(std::wstring_view text, double& out) {
    const std::wstring copy(text);
    wchar_t* end = nullptr;
    const double value = std::wcstod(copy.c_str(), &end);
    if (end == copy.c_str()) return false;
    while (*end == L' ') ++end;
    if (*end != L'\0' || !(value == value)) return false;  // NaN is no number
    out = value;
    return true;
}

constexpr Color kPalette[] = {0xFF1E6FD9u, 0xFF10B981u, 0xFFF59E0Bu, 0xFFEF4444u,
                              0xFF8B5CF6u, 0xFF06B6D4u, 0xFFEC4899u, 0xFF84CC16u};

}  // namespace

// --- CircleProgress

bool CircleProgress::SetAttribute(std::wstring_view name, std::wstring_view value) {
    int number = 0;
    if (base::EqualNoCaseAscii(name, L"value")) {
        if (!ParseInt(value, number)) return false;
        SetValue(number);
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"min") || base::EqualNoCaseAscii(name, L"max")) {
        if (!ParseInt(value, number)) return false;
        if (base::EqualNoCaseAscii(name, L"min")) SetRange(number, std::max(number, max_));
        else SetRange(std::min(min_, number), number);
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"forecolor")) return ParseColor(value, foreColor_);
    if (base::EqualNoCaseAscii(name, L"linewidth")) {
        if (!ParseInt(value, number) || number < 1) return false;
        lineWidth_ = number;
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"showtext")) {
        showText_ = ParseBool(value);
        return true;
    }
    return GifAnim::SetAttribute(name, value);
}

void CircleProgress::SetRange(int min, int max) {
    min_ = std::min(min, max);
    max_ = std::max(min, max);
    value_ = std::clamp(value_, min_, max_);
    Invalidate();
}

void CircleProgress::SetValue(int value) {
    const int clamped = std::clamp(value, min_, max_);
    if (clamped == value_) return;
    value_ = clamped;
    Invalidate();
    Notify(L"valuechanged", static_cast<std::uintptr_t>(value_));
}

double CircleProgress::Fraction() const {
    if (max_ == min_) return 1.0;
    return static_cast<double>(value_ - min_) / static_cast<double>(max_ - min_);
}

// --- Combo

bool Combo::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (base::EqualNoCaseAscii(name, L"items")) {
        items_ = SplitBars(value);
        if (selected_ >= static_cast<int>(items_.size())) selected_ = -1;
        Invalidate();
        return true;
    }
    int number = 0;
    if (base::EqualNoCaseAscii(name, L"selected")) {
        if (!ParseInt(value, number)) return false;
        selected_ = number >= 0 && number < static_cast<int>(items_.size()) ? number : -1;
        Invalidate();
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"dropheight")) {
        if (!ParseInt(value, number) || number < 0) return false;
        dropHeight_ = number;
        return true;
    }
    return Control::SetAttribute(name, value);
}

bool Combo::Activate() {
    if (!IsEnabled() || !IsShown()) return false;
    dropped_ = !dropped_ && !items_.empty();
    Invalidate();
    Notify(dropped_ ? L"dropdown" : L"foldup");
    return true;
}

void Combo::AddItem(std::wstring text) {
    items_.push_back(std::move(text));
    Invalidate();
}

void Combo::RemoveAll() {
    items_.clear();
    dropped_ = false;
    Select(-1);
    Invalidate();
}

void Combo::Select(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
    dropped_ = false;
    Invalidate();
    if (index == selected_) return;
    const int old = selected_;
    selected_ = index;
    AccessibleChanged(AccessibleChange::Value);
    Notify(L"selectchanged", static_cast<std::uintptr_t>(std::max(index, 0)), old);
}

void Combo::Step(bool up) {
    if (items_.empty()) return;
    const int last = static_cast<int>(items_.size()) - 1;
    if (selected_ < 0) Select(up ? last : 0);
    else Select(std::clamp(selected_ + (up ? -1 : 1), 0, last));
}

void Combo::Fold() {
    if (!dropped_) return;
    dropped_ = false;
    Invalidate();
}

int Combo::RowHeight() const {
    const int height = pos_.Height();
    return height > 0 ? height : 28;
}

Rect Combo::DropRect() const {
    int height = RowHeight() * static_cast<int>(items_.size());
    if (dropHeight_ > 0) height = std::min(height, dropHeight_);
    return Rect{pos_.left, pos_.bottom, pos_.right, pos_.bottom + height};
}

int Combo::ItemAt(int x, int y) const {
    const Rect drop = DropRect();
    if (!dropped_ || !drop.Contains(x, y)) return -1;
    const int index = (y - drop.top) / RowHeight();
    return index < static_cast<int>(items_.size()) ? index : -1;
}

// --- Chart

bool Chart::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (base::EqualNoCaseAscii(name, L"kind")) {
        if (base::EqualNoCaseAscii(value, L"pie")) SetKind(Kind::Pie);
        else if (base::EqualNoCaseAscii(value, L"histogram")) SetKind(Kind::Histogram);
        else return false;
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"values")) {
        std::vector<double> values;
        std::wstring list(value);
        std::replace(list.begin(), list.end(), L',', L'|');
        for (const std::wstring& part : SplitBars(list)) {
            double number = 0;
            if (!ParseNumber(part, number)) return false;
            values.push_back(std::max(0.0, number));
        }
        items_.resize(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) items_[i].value = values[i];
        Invalidate();
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"labels")) {
        const std::vector<std::wstring> labels = SplitBars(value);
        if (items_.size() < labels.size()) items_.resize(labels.size());
        for (std::size_t i = 0; i < labels.size(); ++i) items_[i].label = labels[i];
        Invalidate();
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"colors")) {
        std::vector<Color> colors;
        for (const std::wstring& part : SplitBars(value)) {
            Color color = 0;
            if (!ParseColor(part, color)) return false;
            colors.push_back(color);
        }
        colors_ = std::move(colors);
        Invalidate();
        return true;
    }
    return Control::SetAttribute(name, value);
}

void Chart::SetKind(Kind kind) {
    kind_ = kind;
    Invalidate();
}

void Chart::AddItem(std::wstring label, double value) {
    items_.push_back({std::move(label), std::max(0.0, value)});
    Invalidate();
}

void Chart::RemoveAll() {
    items_.clear();
    Invalidate();
}

double Chart::Total() const {
    double total = 0;
    for (const Item& item : items_) total += item.value;
    return total;
}

double Chart::Largest() const {
    double largest = 0;
    for (const Item& item : items_) largest = std::max(largest, item.value);
    return largest;
}

double Chart::Share(std::size_t index) const {
    const double total = Total();
    return index < items_.size() && total > 0 ? items_[index].value / total : 0.0;
}

Color Chart::ColorOf(std::size_t index) const {
    if (!colors_.empty()) return colors_[index % colors_.size()];
    return kPalette[index % (sizeof kPalette / sizeof kPalette[0])];
}

// --- NativeWindowHost

NativeWindowHost::~NativeWindowHost() {
    if (peer_) peer_->Detach();
}

bool NativeWindowHost::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (base::EqualNoCaseAscii(name, L"windowclass")) {
        if (value.empty()) return false;
        windowClass_ = value;
        return true;
    }
    if (base::EqualNoCaseAscii(name, L"windowtext")) {
        windowText_ = value;
        return true;
    }
    return Control::SetAttribute(name, value);
}

}  // namespace ui
