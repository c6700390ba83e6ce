// The pages of the delete tab: the installed printers and drivers to choose
// from, the summary of what will go, and the start of the removal worker.
// The choices live in the two collections, not in the rows: rows are rebuilt
// on every entry and every filter change and take their marks from them.
#include "common/Localisation.h"
#include "base/Strings.h"
#include "common/Messages.h"
#include "printsys/SpoolerInventory.h"
#include "ui/Controls.h"
#include "wizard/AppState.h"

#include <algorithm>

namespace wizard {
namespace {

constexpr wchar_t kPrinterItem[] = L"listex_delete_printer_item";
constexpr wchar_t kDriverItem[] = L"listex_delete_driver_item";
constexpr wchar_t kIndent[] = L"     ";
// CHARFORMAT2: bold, italic, underline, size, colour and face are set.
constexpr std::uint32_t kSummaryFormatMask = 0xE0000007u;
constexpr int kSummaryHeightTwips = 225;
constexpr std::uint32_t kSummaryColour = 0x00333333u;  // COLORREF

// Whether `name` occurs, case-sensitively, inside one of `names`; an empty
// name occurs in any.
bool OccursInAny(const std::wstring& name, const std::vector<std::wstring>& names) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::wstring& own) { return own.find(name) != std::wstring::npos; });
}

// Whether one of `names` contains `name`, case-sensitively.
template <class Names>
bool AnyContains(const Names& names, const std::wstring& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::wstring& checked) { return checked.find(name) != std::wstring::npos; });
}

void BringOptionInLine(ui::Control* control, bool selected) {
    if (auto* option = dynamic_cast<ui::Option*>(control); option && option->IsSelected() != selected)
        option->Selected(selected);
}

ui::ListTextExtElement* AppendCheckRow(ui::List& list, const wchar_t* itemName, const std::wstring& text,
                                       bool checked) {
    auto* row = static_cast<ui::ListTextExtElement*>(list.Add(std::make_unique<ui::ListTextExtElement>()));
    row->SetFixedHeight(30);
    // The style is looked up in the window's layout, which the row reaches
    // only once it is in the list.
    row->SetAttribute(L"style", L"listex_item_style");
    row->SetColumnText(1, text);
    row->SetUserData(L"0");
    row->SetName(itemName);
    row->SetCheck(checked);
    return row;
}

}  // namespace

ui::Control* AppState::FindDeleteControl(std::wstring_view name) const {
    return deleteTab_ ? deleteTab_->FindControl(name) : nullptr;
}

void AppState::ShowDeletePrinterList(bool keepOption) {
    if (deleteTab_ == nullptr) return;
    if (deleteFilters_.showAllPrinters < 0) deleteFilters_.showAllPrinters = 0;
    if (!keepOption)
        BringOptionInLine(FindDeleteControl(L"option_showAll_deletePrinter"), deleteFilters_.showAllPrinters == 1);
    printsys::ListPrinters(installedPrinters_);
    printersListed_ = true;
    auto* list = dynamic_cast<ui::List*>(FindDeleteControl(L"listex_delete_printer"));
    if (list == nullptr) return;
    list->RemoveAll();
    for (const printsys::SpoolerEntry& printer : installedPrinters_) {
        if (deleteFilters_.showAllPrinters != 1 && !OccursInAny(printer.second, ownDriverNames_)) continue;
        if (!deleteFilters_.printerSearchText.empty() &&
            !base::ContainsNoCase(printer.second, deleteFilters_.printerSearchText))
            continue;
        AppendCheckRow(*list, kPrinterItem, printer.first, AnyContains(checkedPrinters_, printer.first));
    }
}

void AppState::ShowDeleteDriverList(bool keepOption) {
    if (deleteTab_ == nullptr) return;
    printsys::ListDrivers(installedDrivers_);
    if (deleteFilters_.showAllDrivers < 0) deleteFilters_.showAllDrivers = 0;
    if (!keepOption) BringOptionInLine(FindDeleteControl(L"option_showAll_deleteDriver"), deleteFilters_.showAllDrivers == 1);
    auto* list = dynamic_cast<ui::List*>(FindDeleteControl(L"listex_delete_driver"));
    if (list == nullptr) return;
    list->RemoveAll();
    for (const printsys::SpoolerEntry& driver : installedDrivers_) {
        if (deleteFilters_.showAllDrivers != 1 && !OccursInAny(driver.second, ownDriverNames_)) continue;
        AppendCheckRow(*list, kDriverItem, driver.second, AnyContains(checkedDrivers_, driver.second));
    }
}

void AppState::ShowDeleteSummary() {
    SetNextButton(true, true, L"main.btn.startDelete");
    SetNextButton(true, !checkedPrinters_.empty() || !checkedDrivers_.empty());
    auto* summary = dynamic_cast<ui::RichEdit*>(FindDeleteControl(L"wordedit_deleteInfo"));
    if (summary == nullptr) return;
    summary->SetText(std::wstring());
    // The log's look: its size, in the page's own text colour.
    ui::CharFormat format;
    format.mask = kSummaryFormatMask;
    format.heightTwips = kSummaryHeightTwips;
    format.colorRef = kSummaryColour;
    summary->SetSelectionCharFormat(format);
    // A chosen driver takes its printers with it.
    for (const printsys::SpoolerEntry& printer : InstalledPrinters())
        for (const std::wstring& driver : checkedDrivers_)
            if (base::ContainsNoCase(printer.second, driver) &&
                base::IndexOfString(checkedPrinters_, printer.first) == -1)
                checkedPrinters_.push_back(printer.first);
    const auto appendSection = [summary](const wchar_t* titleKey, const auto& names) {
        summary->AppendAtEnd(common::TranslateKey(titleKey));
        summary->AppendAtEnd(L":\r\n");
        for (const std::wstring& name : names) {
            summary->AppendAtEnd(kIndent);
            summary->AppendAtEnd(name);
            summary->AppendAtEnd(L"\r\n");
        }
    };
    appendSection(L"gb.title.printer", checkedPrinters_);
    appendSection(L"gb.title.driver", checkedDrivers_);
}

void AppState::RunRemoval() {
    ShowDeleteBusy(true);
    Send(common::UM_SHOW_ROW_H1, 1);
    Send(common::UM_SHOW_PRINTER_BUTTONS, 0);
    Send(common::UM_SHOW_ROW_H2, 0);
    if (deleteTab_ == nullptr) {
        // Nothing to report into; the busy indicator must not run for ever.
        ShowDeleteBusy(false);
        return;
    }
    // Only drivers the last listing showed.
    RemovalRequest removal{checkedPrinters_, {}};
    for (const std::wstring& name : checkedDrivers_)
        for (const printsys::SpoolerEntry& entry : installedDrivers_)
            if (entry.second == name) removal.drivers.push_back(entry);
    WorkLock lock = TakeWorkLock();
    WindowSink sink(*this, common::UM_DELETE_LOG_LINE);
    RunRemovalProcedure(removal, models_, sink);
    ReleaseWorkLock(lock);
    checkedPrinters_.clear();
    checkedDrivers_.clear();
    ShowDeleteBusy(false);
}

void AppState::StartRemoval() {
    Send(common::UM_SHOW_ROW_H1, 0);
    Send(common::UM_SHOW_PRINTER_BUTTONS, 0);
    removalRunning_.store(true);
    ++criticalWorkers_;
    const std::uint32_t error = StartWorker([this] {
        RunRemoval();
        OnRemovalFinished();
        removalRunning_.store(false);
        --criticalWorkers_;
        Send(common::UM_WORK_ENDED);
    });
    if (error != 0) {
        removalRunning_.store(false);
        --criticalWorkers_;
        // Back to the summary with its buttons, so the user can try again.
        position_ = 2;
        if (deleteTab_ != nullptr) deleteTab_->SelectItem(position_);
        EnterDeleteStep(position_);
        Send(common::UM_SHOW_ROW_H2, 1);
        ReportWorkerFailure(error);
    }
}

void AppState::OnRemovalFinished() {
    Send(common::UM_SHOW_ROW_H1, 1);
    checkedPrinters_.clear();
    checkedDrivers_.clear();
}

// "listitemchecked" comes from the toolkit, which has already flipped the
// mark, and is followed by the same row's "itemclick"; the row's user data
// remembers that, so the click does not flip it back. A click anywhere else
// on the row flips the mark itself.
void AppState::MarkDeleteRow(ui::Notification& notification, bool printers) {
    auto* row = dynamic_cast<ui::ListTextExtElement*>(notification.sender);
    if (row == nullptr) return;
    const auto record = [&](const std::wstring& name, bool checked) {
        if (printers) {
            if (checked) base::AddUniqueString(checkedPrinters_, name);
            else base::RemoveStringsContaining(checkedPrinters_, name);
        } else {
            if (checked) checkedDrivers_.insert(name);
            else checkedDrivers_.erase(name);
        }
    };
    if (notification.type == L"listitemchecked") {
        row->SetUserData(L"1");
        if (notification.lParam == 1 || notification.lParam == 0) record(row->ColumnText(1), notification.lParam == 1);
    } else if (notification.type == L"itemclick") {
        if (row->UserData() == L"0") {
            row->SetCheck(!row->IsChecked());
            record(row->ColumnText(1), row->IsChecked());
        }
        row->SetUserData(L"0");
    }
}

}  // namespace wizard
