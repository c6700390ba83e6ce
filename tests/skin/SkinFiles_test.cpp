// Checks of skin/ as written: the files parse, every text key the layouts and
// the program use is translated everywhere with the right placeholders, the
// layouts stay inside the documented format, and the controls the program
// looks up by name exist where it expects them.
#include "ui/Utf.h"
#include "base/Strings.h"
#include "ui/Xml.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using ui::XmlElement;

const char* const kLayouts[] = {"main.xml",         "pop_language.xml", "pop_about.xml",    "pop_add_port.xml",
                                "listitemex.xml",   "listitemex_blue.xml", "skin.xml",      "demo.xml"};
const char* const kLanguageFiles[] = {"lan_cn.xml", "lan_en.xml", "lan_es.xml", "lan_ja.xml",
                                      "lan_ko.xml", "lan_pt.xml", "lan_th.xml"};

// Keys the program's code translates, with the number of values it puts into
// the text (each goes where a "%s" stands).
struct CodeKey {
    const wchar_t* key;
    int values;
};
const CodeKey kCodeKeys[] = {
    {L"mainTitle", 0}, {L"lan.cn", 0}, {L"lan.en", 0}, {L"lan.es", 0}, {L"lan.ja", 0}, {L"lan.ko", 0},
    {L"lan.pt", 0}, {L"lan.th", 0}, {L"tip.dlgtitle", 0},
    {L"main.btn.next", 0}, {L"tip.yes", 0}, {L"tip.no", 0}, {L"tip.pinerror", 0}, {L"tip.printernameinvalid", 1},
    {L"tip.lancheckedok", 0},
    {L"tip.lancheckedfail", 0}, {L"tip.notselectusbport", 0}, {L"tip.currentportis", 0},
    {L"tip.isdeleteport", 1}, {L"tip.deletefailreason", 1},
    {L"tip.btadapter.on", 0}, {L"tip.btadapter.off", 0}, {L"tip.btadapter.none", 0},
    {L"tip.btadapter.pleasechecked", 0},
    {L"main.btn.startDelete", 0}, {L"gb.title.printer", 0}, {L"gb.title.driver", 0},
    {L"tip.startdeleteprinter", 1}, {L"tip.deletesuccess", 1}, {L"tip.deletefail", 1}, {L"tip.failreason", 1},
    {L"tip.tryrestartprintservice", 0}, {L"tip.startprintserviceok", 0}, {L"tip.startprintservicefail", 0},
    {L"tip.startdependantfail", 1},
    {L"tip.stopprintservicefail", 0}, {L"tip.startdeletedriver", 1}, {L"tip.startdeletepack", 1},
    {L"tip.startpairbluetooth", 0}, {L"tip.pairbluetoothfailpinis", 1}, {L"tip.pairbluetoothsuccess", 0},
    {L"tip.getbluetoothserialportfail", 0}, {L"tip.readbluetoothserialport", 1}, {L"tip.startaddlanport", 0},
    {L"tip.addlanportfail", 0}, {L"tip.addlanportsuccess", 0}, {L"tip.readdriverdirfail", 1},
    {L"tip.startcopyfile", 0}, {L"tip.copyfilefail", 1}, {L"tip.copyfilesuccess", 0},
    {L"tip.startinstalldriver", 0}, {L"tip.installdriverfail", 1}, {L"tip.installdriversuccess", 0},
    {L"tip.installdriverfail2", 0}, {L"tip.startinstallprinter", 0}, {L"tip.installprintersuccess", 0},
    {L"tip.installprinterfail", 1}, {L"tip.port.unidentification", 0},
    {L"tip.ipinvalid", 0}, {L"tip.portexists", 0}, {L"tip.printernamefree", 1}, {L"tip.printernametaken", 1},
    {L"tip.closeafterwork", 0}, {L"tip.arm64unsupported", 0},
};

std::string Narrow(const std::wstring& text) { return ui::WideToUtf8(text); }

XmlElement Load(const std::string& file) {
    std::ifstream in(std::string(SKIN_SOURCE_DIR) + "/" + file, std::ios::binary);
    EXPECT_TRUE(in) << file;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    XmlElement root;
    const ui::XmlParseResult parsed = ui::ParseXml(ui::DecodeTextFile(bytes), root);
    EXPECT_TRUE(parsed.ok) << file << ": " << Narrow(parsed.error);
    return root;
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

std::wstring AttributeOr(const XmlElement& element, const wchar_t* name, const wchar_t* fallback = L"") {
    const std::wstring* value = element.Attribute(name);
    return value ? *value : fallback;
}

bool IsControl(const XmlElement& element) { return element.name != L"Font" && element.name != L"Style"; }

// A style's value is written like the attributes of a tag.
XmlElement ParseStyle(const XmlElement& style) {
    XmlElement attributes;
    const ui::XmlParseResult parsed = ui::ParseXml(L"<s " + AttributeOr(style, L"value") + L"/>", attributes);
    EXPECT_TRUE(parsed.ok) << Narrow(AttributeOr(style, L"name")) << ": " << Narrow(parsed.error);
    return attributes;
}

std::map<std::wstring, XmlElement> Styles(const XmlElement& root) {
    std::map<std::wstring, XmlElement> styles;
    for (const auto& child : root.children)
        if (child.name == L"Style") styles[AttributeOr(child, L"name")] = ParseStyle(child);
    return styles;
}

// A control's attributes as the toolkit sees them: its style first, then its own.
std::map<std::wstring, std::wstring> Effective(const XmlElement& control,
                                               const std::map<std::wstring, XmlElement>& styles) {
    std::map<std::wstring, std::wstring> attributes;
    const auto style = styles.find(AttributeOr(control, L"style"));
    if (style != styles.end())
        for (const auto& [name, value] : style->second.attributes) attributes[name] = value;
    for (const auto& [name, value] : control.attributes) attributes[name] = value;
    return attributes;
}

template <typename Visit>
void ForEachControl(const XmlElement& element, std::vector<const XmlElement*>& ancestors, Visit visit) {
    visit(element, ancestors);
    ancestors.push_back(&element);
    for (const auto& child : element.children)
        if (IsControl(child)) ForEachControl(child, ancestors, visit);
    ancestors.pop_back();
}

// Visits the root control of a window, or an item layout's root itself.
template <typename Visit>
void ForEachControl(const XmlElement& root, Visit visit) {
    std::vector<const XmlElement*> ancestors;
    if (root.name != L"Window") return ForEachControl(root, ancestors, visit);
    for (const auto& child : root.children)
        if (IsControl(child)) ForEachControl(child, ancestors, visit);
}

std::map<std::wstring, std::wstring> LoadLanguage(const std::string& file) {
    std::map<std::wstring, std::wstring> texts;
    for (const auto& child : Load(file).children) {
        if (!base::EqualNoCaseAscii(child.name, L"Text")) continue;
        const std::wstring* id = child.AttributeIgnoringCase(L"id");
        const std::wstring* value = child.AttributeIgnoringCase(L"value");
        EXPECT_TRUE(id && value) << file;
        if (!id || !value) continue;
        EXPECT_TRUE(texts.emplace(*id, *value).second) << file << ": duplicate " << Narrow(*id);
    }
    return texts;
}

bool IsKey(const std::wstring& key) {
    if (key.empty() || key[0] < L'a' || key[0] > L'z') return false;
    return std::all_of(key.begin(), key.end(), [](wchar_t c) {
        return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'.' ||
               c == L'_';
    });
}

int Count(const std::wstring& text, const std::wstring& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::wstring::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

TEST(SkinFiles, IndexNamesExistingFiles) {
    const XmlElement index = Load("res.xml");
    std::map<std::wstring, std::wstring> paths;
    for (const auto& entry : index.children) {
        ASSERT_TRUE(entry.name == L"Xml" || entry.name == L"Image") << Narrow(entry.name);
        paths[AttributeOr(entry, L"id")] = AttributeOr(entry, L"path");
        EXPECT_TRUE(std::ifstream(std::string(SKIN_SOURCE_DIR) + "/" + Narrow(AttributeOr(entry, L"path"))))
            << Narrow(AttributeOr(entry, L"path"));
    }
    EXPECT_EQ(paths[L"XML_MAIN"], L"main.xml");
}

TEST(SkinFiles, EveryKeyIsTranslatedWithTheRightPlaceholders) {
    std::map<std::wstring, int> expected;  // key -> number of "%s"
    for (const auto& [key, values] : kCodeKeys) expected[key] = values;
    for (const char* layout : kLayouts) {
        const XmlElement root = Load(layout);
        const auto styles = Styles(root);
        ForEachControl(root, [&](const XmlElement& control, const auto&) {
            auto attributes = Effective(control, styles);
            // A screen reader's name is a key whatever resourcetext says.
            if (const std::wstring& name = attributes[L"accessiblename"]; !name.empty()) expected.emplace(name, 0);
            if (attributes[L"resourcetext"] != L"true") return;
            for (const wchar_t* shown : {L"text", L"tooltip"}) {
                const std::wstring& key = attributes[shown];
                if (key.empty()) continue;
                EXPECT_TRUE(IsKey(key)) << layout << ": " << Narrow(key);
                expected.emplace(key, 0);
            }
        });
    }

    std::set<std::wstring> firstKeys;
    for (const char* file : kLanguageFiles) {
        const auto texts = LoadLanguage(file);
        std::set<std::wstring> keys;
        for (const auto& [key, text] : texts) keys.insert(key);
        if (firstKeys.empty()) firstKeys = keys;
        // A key only some files define is a typo or a forgotten translation.
        std::vector<std::wstring> differing;
        std::set_symmetric_difference(keys.begin(), keys.end(), firstKeys.begin(), firstKeys.end(),
                                      std::back_inserter(differing));
        for (const auto& key : differing)
            ADD_FAILURE() << file << " and " << kLanguageFiles[0] << " differ in " << Narrow(key);
        for (const auto& [key, placeholders] : expected) {
            const auto text = texts.find(key);
            if (text == texts.end()) {
                ADD_FAILURE() << file << " lacks " << Narrow(key);
                continue;
            }
            EXPECT_FALSE(text->second.empty()) << file << ": " << Narrow(key);
            EXPECT_EQ(Count(text->second, L"%s"), placeholders) << file << ": " << Narrow(key);
            EXPECT_EQ(Count(text->second, L"%"), placeholders) << file << ": stray % in " << Narrow(key);
        }
    }
}

// What docs/skin-format.md lists, and nothing else.
const std::set<std::wstring>& CommonAttributes() {
    static const std::set<std::wstring> names = {
        L"name", L"text", L"resourcetext", L"tooltip", L"accessiblename", L"width", L"height", L"minwidth", L"maxwidth",
        L"minheight", L"maxheight", L"autocalcwidth", L"padding", L"inset", L"childpadding", L"visible",
        L"enabled", L"bkcolor", L"bordercolor", L"bordersize", L"borderround", L"textcolor", L"hottextcolor",
        L"disabledtextcolor", L"selectedtextcolor", L"font", L"align", L"valign", L"textpadding", L"bkimage",
        L"normalimage", L"hotimage", L"pushedimage", L"disabledimage", L"selectedimage", L"selectedhotimage",
        L"userdata", L"style"};
    return names;
}
const std::map<std::wstring, std::set<std::wstring>> kControlAttributes = {
    {L"VerticalLayout", {}}, {L"HorizontalLayout", {}}, {L"TabLayout", {L"selectedid"}},
    {L"List", {L"itemheight", L"header"}}, {L"ListContainerElement", {}}, {L"Control", {}}, {L"Label", {}},
    {L"Text", {}}, {L"Button", {}}, {L"Option", {L"group", L"selected"}},
    {L"Edit", {L"maxchar", L"readonly", L"password"}}, {L"RichEdit", {L"readonly", L"vscrollbar"}},
    {L"GifAnim", {L"autoplay"}}, {L"ListTextExtElement", {L"checked", L"checkbox"}},
    {L"CircleProgress", {L"autoplay", L"value", L"min", L"max", L"forecolor", L"linewidth", L"showtext"}},
    {L"CCircleProgressUI", {L"autoplay", L"value", L"min", L"max", L"forecolor", L"linewidth", L"showtext"}},
    {L"CMyComboUI", {L"items", L"selected", L"dropheight"}},
    {L"CChartViewUI", {L"kind", L"values", L"labels", L"colors"}},
    {L"CWndUI", {L"windowclass", L"windowtext"}},
};
const std::map<std::wstring, std::set<std::wstring>> kDocumentAttributes = {
    {L"Window", {L"size", L"caption", L"mininfo"}},
    {L"Font", {L"id", L"name", L"size", L"bold", L"italic", L"underline"}},
    {L"Style", {L"name", L"value"}},
};

bool ControlTakes(const std::wstring& element, const std::wstring& attribute) {
    const auto specific = kControlAttributes.find(element);
    return CommonAttributes().count(attribute) ||
           (specific != kControlAttributes.end() && specific->second.count(attribute));
}

TEST(SkinFiles, LayoutsUseOnlyTheDocumentedFormat) {
    std::set<std::wstring> anyControlAttribute = CommonAttributes();
    for (const auto& [element, names] : kControlAttributes) anyControlAttribute.insert(names.begin(), names.end());
    std::set<std::wstring> mainFonts;
    for (const char* layout : kLayouts) {
        const XmlElement root = Load(layout);
        const bool window = root.name == L"Window";
        EXPECT_TRUE(window || root.name == L"ListContainerElement") << layout;
        std::set<std::wstring> fonts = window ? std::set<std::wstring>{} : mainFonts;
        if (window) {
            for (const auto& child : root.children) {
                const auto allowed = kDocumentAttributes.find(child.name);
                if (allowed == kDocumentAttributes.end()) continue;
                for (const auto& [name, value] : child.attributes)
                    EXPECT_TRUE(allowed->second.count(name)) << layout << ": " << Narrow(child.name + L" " + name);
                if (child.name == L"Font") fonts.insert(AttributeOr(child, L"id"));
            }
            for (const auto& [name, value] : root.attributes)
                EXPECT_TRUE(kDocumentAttributes.at(L"Window").count(name)) << layout << ": " << Narrow(name);
            EXPECT_EQ(std::count_if(root.children.begin(), root.children.end(), IsControl), 1) << layout;
        }
        if (std::string(layout) == "main.xml") mainFonts = fonts;
        const auto styles = Styles(root);
        for (const auto& [styleName, style] : styles)
            for (const auto& [name, value] : style.attributes)
                EXPECT_TRUE(anyControlAttribute.count(name)) << layout << ": style " << Narrow(styleName + L" " + name);
        ForEachControl(root, [&](const XmlElement& control, const auto&) {
            if (!kControlAttributes.count(control.name)) {
                ADD_FAILURE() << layout << ": unknown element " << Narrow(control.name);
                return;
            }
            for (const auto& [name, value] : control.attributes)
                EXPECT_TRUE(ControlTakes(control.name, name)) << layout << ": " << Narrow(control.name + L" " + name);
            const std::wstring style = AttributeOr(control, L"style");
            EXPECT_TRUE(style.empty() || styles.count(style)) << layout << ": no style " << Narrow(style);
            const std::wstring font = Effective(control, styles)[L"font"];
            EXPECT_TRUE(font.empty() || fonts.count(font)) << layout << ": no font " << Narrow(font);
        });
    }
    EXPECT_TRUE(mainFonts.count(L"3") && mainFonts.count(L"22"));
}

// Where a control sits: inside `container`, and when `page` is not -1, on
// that page (child) of it.
struct Placement {
    const wchar_t* name;
    const wchar_t* element;
    const wchar_t* container;
    int page;
};
const Placement kMainControls[] = {
    {L"root", L"VerticalLayout", nullptr, -1},
    {L"title_lb", L"Label", nullptr, -1}, {L"closebtn", L"Button", nullptr, -1},
    {L"minbtn", L"Button", nullptr, -1}, {L"maxbtn", L"Button", nullptr, -1},
    {L"restorebtn", L"Button", nullptr, -1}, {L"btnAbout", L"Button", nullptr, -1},
    {L"btnLan", L"Button", nullptr, -1}, {L"skinbtn", L"Button", nullptr, -1},
    {L"tab_switch", L"TabLayout", nullptr, -1},
    {L"option_install", L"Option", L"tab_switch", 0}, {L"option_delete", L"Option", L"tab_switch", 0},
    {L"tab_switch_install", L"TabLayout", L"tab_switch", 1},
    {L"tab_switch_delete", L"TabLayout", L"tab_switch", 2},
    {L"hor_btn_h1", L"HorizontalLayout", nullptr, -1}, {L"hor_btn_h2", L"HorizontalLayout", nullptr, -1},
    {L"btn_setup_index", L"Button", L"hor_btn_h1", -1},
    {L"btn_setup_previous", L"Button", L"hor_btn_h2", -1}, {L"btn_setup_next", L"Button", L"hor_btn_h2", -1},
    {L"btn_setup_cancel", L"Button", nullptr, -1},
    {L"option_port_usb", L"Option", L"tab_switch_install", 0},
    {L"option_port_net", L"Option", L"tab_switch_install", 0},
    {L"option_port_bluetooth", L"Option", L"tab_switch_install", 0},
    {L"option_port_lpt", L"Option", L"tab_switch_install", 0},
    {L"option_port_com", L"Option", L"tab_switch_install", 0},
    {L"option_port_custom", L"Option", L"tab_switch_install", 0},
    {L"hor_bluetooth_adapter", L"HorizontalLayout", L"tab_switch_install", 0},
    {L"label_bluetooth_adapter_info", L"Label", L"hor_bluetooth_adapter", -1},
    {L"listex_install_show_usb", L"List", L"tab_switch_install", 2},
    {L"btn_test_usb", L"Button", L"tab_switch_install", 2},
    {L"listex_install_show_blue", L"List", L"tab_switch_install", 3},
    {L"edit_usecustom_pin", L"Edit", L"tab_switch_install", 3},
    {L"option_usecustom_pin", L"Option", L"tab_switch_install", 3},
    {L"listex_install_driver_moudel", L"List", L"tab_switch_install", 4},
    {L"listex_install_driver_port", L"List", L"tab_switch_install", 5},
    {L"btn_port_add", L"Button", L"tab_switch_install", 5},
    {L"btn_port_delete", L"Button", L"tab_switch_install", 5},
    {L"btn_port_configure", L"Button", L"tab_switch_install", 5},
    {L"edit_install_lan_ip", L"Edit", L"tab_switch_install", 6},
    {L"edit_install_lan_portName", L"Edit", L"tab_switch_install", 6},
    {L"label_show_lanPort_info", L"Label", L"tab_switch_install", 6},
    {L"btn_checked_ip", L"Button", L"tab_switch_install", 6},
    {L"edit_install_printer_name", L"Edit", L"tab_switch_install", 7},
    {L"option_selected_defaultPrinter", L"Option", L"tab_switch_install", 7},
    {L"btn_checked_printer_name", L"Button", L"tab_switch_install", 7},
    {L"label_show_printername_info", L"Text", L"tab_switch_install", 7},
    {L"label_ready_driverName", L"Label", L"tab_switch_install", 8},
    {L"label_ready_portName", L"Label", L"tab_switch_install", 8},
    {L"label_ready_printerName", L"Label", L"tab_switch_install", 8},
    {L"label_ready_prinerDefault", L"Label", L"tab_switch_install", 8},
    {L"wordedit_installInfo", L"RichEdit", L"tab_switch_install", 9},
    {L"ani_gif_install", L"CircleProgress", L"tab_switch_install", 9},
    {L"btn_setup_preferences", L"Button", nullptr, -1}, {L"btn_setup_properties", L"Button", nullptr, -1},
    {L"btn_setup_testpage", L"Button", nullptr, -1},
    {L"listex_delete_printer", L"List", L"tab_switch_delete", 0},
    {L"option_showAll_deletePrinter", L"Option", L"tab_switch_delete", 0},
    {L"edit_find_deletePrinter", L"Edit", L"tab_switch_delete", 0},
    {L"listex_delete_driver", L"List", L"tab_switch_delete", 1},
    {L"option_showAll_deleteDriver", L"Option", L"tab_switch_delete", 1},
    {L"wordedit_deleteInfo", L"RichEdit", L"tab_switch_delete", 2},
    {L"wordedit_deleteInfo_start", L"RichEdit", L"tab_switch_delete", 3},
    {L"ani_gif_delete", L"CircleProgress", L"tab_switch_delete", 3},
};

struct Found {
    const XmlElement* element;
    std::vector<const XmlElement*> ancestors;
};

std::map<std::wstring, Found> NamedControls(const XmlElement& root) {
    std::map<std::wstring, Found> named;
    ForEachControl(root, [&](const XmlElement& control, const std::vector<const XmlElement*>& ancestors) {
        const std::wstring name = Lower(AttributeOr(control, L"name"));
        if (name.empty()) return;
        // The program takes the first match, so a second control of a name is never reached.
        EXPECT_TRUE(named.emplace(name, Found{&control, ancestors}).second) << "duplicate " << Narrow(name);
    });
    return named;
}

TEST(SkinFiles, MainWindowHasTheControlsTheProgramFinds) {
    const XmlElement root = Load("main.xml");
    const auto named = NamedControls(root);
    for (const auto& expected : kMainControls) {
        const auto found = named.find(Lower(expected.name));
        if (found == named.end()) {
            ADD_FAILURE() << "missing " << Narrow(expected.name);
            continue;
        }
        EXPECT_EQ(found->second.element->name, expected.element) << Narrow(expected.name);
        if (!expected.container) continue;
        const auto& chain = found->second.ancestors;
        const auto at = std::find_if(chain.begin(), chain.end(), [&](const XmlElement* ancestor) {
            return base::EqualNoCaseAscii(AttributeOr(*ancestor, L"name"), expected.container);
        });
        ASSERT_TRUE(at != chain.end()) << Narrow(expected.name) << " outside " << Narrow(expected.container);
        if (expected.page < 0) continue;
        const XmlElement* page = (at + 1 == chain.end()) ? found->second.element : *(at + 1);
        const auto& pages = (*at)->children;
        ASSERT_LT(static_cast<std::size_t>(expected.page), pages.size()) << Narrow(expected.container);
        EXPECT_EQ(page, &pages[static_cast<std::size_t>(expected.page)])
            << Narrow(expected.name) << " not on page " << expected.page << " of " << Narrow(expected.container);
    }
    const std::pair<const wchar_t*, std::size_t> pageCounts[] = {
        {L"tab_switch", 3}, {L"tab_switch_install", 10}, {L"tab_switch_delete", 4}};
    for (const auto& [tab, count] : pageCounts) {
        const auto found = named.find(tab);
        ASSERT_TRUE(found != named.end()) << Narrow(tab);
        EXPECT_EQ(found->second.element->children.size(), count) << Narrow(tab);
    }
    // Rows that the delete tab builds in code are given this style by name.
    EXPECT_TRUE(Styles(root).count(L"listex_item_style"));
}

TEST(SkinFiles, PopUpsAndListRowsHaveTheirControls) {
    struct Expected {
        const char* file;
        const wchar_t* name;
        const wchar_t* element;
    };
    const Expected controls[] = {
        {"pop_language.xml", L"closebtn", L"Button"},      {"pop_language.xml", L"verLanList", L"VerticalLayout"},
        {"pop_about.xml", L"closebtn", L"Button"},         {"pop_about.xml", L"app_version", L"Label"},
        {"pop_about.xml", L"app_time", L"Label"},          {"pop_add_port.xml", L"closebtn", L"Button"},
        {"pop_add_port.xml", L"listex_addport_type", L"List"}, {"pop_add_port.xml", L"btn_port_add", L"Button"},
        {"pop_add_port.xml", L"btn_port_cancel", L"Button"}, {"listitemex.xml", L"label1", L"Label"},
        {"listitemex.xml", L"label2", L"Label"},           {"listitemex.xml", L"label3", L"Label"},
        {"listitemex_blue.xml", L"label1", L"Label"},      {"listitemex_blue.xml", L"label2", L"Label"},
        {"listitemex_blue.xml", L"label3", L"Label"},      {"listitemex_blue.xml", L"label1_icon", L"Label"},
    };
    for (const auto& expected : controls) {
        const XmlElement root = Load(expected.file);
        const auto named = NamedControls(root);
        const auto found = named.find(Lower(expected.name));
        ASSERT_TRUE(found != named.end()) << expected.file << ": " << Narrow(expected.name);
        EXPECT_EQ(found->second.element->name, expected.element) << expected.file << ": " << Narrow(expected.name);
    }
    const std::pair<const char*, const wchar_t*> styles[] = {{"pop_language.xml", L"radio_style"},
                                                             {"pop_add_port.xml", L"listex_item_style"}};
    for (const auto& [file, style] : styles) EXPECT_TRUE(Styles(Load(file)).count(style)) << file;
    // A row's first option becomes its radio mark in the list's group.
    for (const char* row : {"listitemex.xml", "listitemex_blue.xml"}) {
        bool hasOption = false;
        ForEachControl(Load(row),
                       [&](const XmlElement& control, const auto&) { hasOption |= control.name == L"Option"; });
        EXPECT_TRUE(hasOption) << row;
    }
}

}  // namespace

namespace {

void CollectImages(const ui::XmlElement& element, std::set<std::wstring>& images) {
    for (const auto& [name, value] : element.attributes)
        if (name.size() > 5 && name.compare(name.size() - 5, 5, L"image") == 0) images.insert(value);
    for (const auto& child : element.children) CollectImages(child, images);
}

bool Exists(const std::wstring& name) {
    return std::ifstream(std::string(SKIN_SOURCE_DIR) + "/" + ui::WideToUtf8(name)).good();
}

// The toolkit picks "@125" and "@150" by the window's scale: every image a
// layout names must be there in all three sizes.
TEST(SkinFiles, ImagesExistInThreeScales) {
    std::set<std::wstring> images;
    for (const char* layout : kLayouts) CollectImages(Load(layout), images);
    for (const auto& child : Load("res.xml").children)
        if (child.name == L"Image") images.insert(AttributeOr(child, L"path"));
    ASSERT_FALSE(images.empty());
    for (const std::wstring& image : images) {
        const std::size_t dot = image.rfind(L'.');
        ASSERT_NE(dot, std::wstring::npos) << Narrow(image);
        for (const wchar_t* suffix : {L"", L"@125", L"@150"}) {
            const std::wstring variant = image.substr(0, dot) + suffix + image.substr(dot);
            EXPECT_TRUE(Exists(variant)) << Narrow(variant);
        }
    }
}

}  // namespace
