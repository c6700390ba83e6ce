// The window's IAccessible objects on the real Win32 host, asked in-process
// as oleacc hands them out: the tree behind WM_GETOBJECT, default actions
// that wait for the message loop, screen places at a scaled DPI, and
// objects whose controls or window are gone.
#include "AccessibleClient.h"

#include "support/TestPackage.h"
#include "ui/Controls.h"
#include "ui/Window.h"
#include "ui/WindowHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using testing_support::ChildId;
using testing_support::ObjectOf;
using testing_support::Ref;
using testing_support::Self;
using testing_support::TextOf;

const char* kLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,200">
  <VerticalLayout name="root">
    <Label name="title" text="Setup" height="20"/>
    <HorizontalLayout height="30">
      <Button name="press" text="Press me" width="100"/>
      <Button name="hidden" text="Hidden" width="100" visible="false"/>
    </HorizontalLayout>
    <List name="list" height="60" itemheight="30"/>
  </VerticalLayout>
</Window>)";

class TestWindow : public ui::Window {
public:
    int clicks = 0;

protected:
    std::wstring GetWindowClassName() const override { return L"AccessibleTestWnd"; }
    std::wstring GetSkinFile() const override { return L"acc.xml"; }
    void Notify(ui::Notification& n) override {
        if (n.type == L"click" || n.type == L"itemclick") ++clicks;
    }
};

LONG Role(IAccessible* object, LONG child = CHILDID_SELF) {
    VARIANT role;
    VariantInit(&role);
    object->get_accRole(ChildId(child), &role);
    return role.vt == VT_I4 ? role.lVal : -1;
}

LONG State(IAccessible* object) {
    VARIANT state;
    VariantInit(&state);
    object->get_accState(Self(), &state);
    return state.vt == VT_I4 ? state.lVal : -1;
}

std::wstring Name(IAccessible* object, LONG child = CHILDID_SELF) {
    return TextOf(object, &IAccessible::get_accName, child);
}

// Runs what is posted to this thread.
void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

class AccessibleOnWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }
    void SetUp() override {
        testing_support::UsePackage({{"acc.xml", kLayout}});
        ASSERT_TRUE(window.Create(ui::WindowCreation{}.Caption(L"Accessible test").Style(WS_POPUP | WS_VISIBLE).At(10, 10).Size(300, 200)));
        list = window.Find<ui::List>(L"list");
        for (const wchar_t* text : {L"Row 0", L"Row 1"}) {
            auto row = std::make_unique<ui::ListTextExtElement>();
            row->SetAttribute(L"checkbox", L"false");
            row->SetColumnText(0, text);
            list->Add(std::move(row));
        }
        window.UpdateLayout();
        hwnd = static_cast<HWND>(window.Handle());
        ASSERT_EQ(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                             client.out_void()),
                  S_OK);
        ASSERT_NE(client.get(), nullptr);
    }
    void TearDown() override {
        client = Ref<IAccessible>();
        if (window.IsWindow()) window.Destroy();
        Pump();
    }

    // The client's children as oleacc's AccessibleChildren gives them.
    std::vector<Ref<IAccessible>> Children(IAccessible* parent) {
        LONG count = 0;
        EXPECT_EQ(parent->get_accChildCount(&count), S_OK);
        std::vector<VARIANT> variants(static_cast<std::size_t>(count));
        LONG obtained = 0;
        EXPECT_EQ(AccessibleChildren(parent, 0, count, variants.data(), &obtained), S_OK);
        std::vector<Ref<IAccessible>> children;
        for (LONG i = 0; i < obtained; ++i) {
            children.push_back(ObjectOf(variants[static_cast<std::size_t>(i)]));
            VariantClear(&variants[static_cast<std::size_t>(i)]);
        }
        return children;
    }

    TestWindow window;
    ui::List* list = nullptr;
    HWND hwnd = nullptr;
    Ref<IAccessible> client;
};

TEST_F(AccessibleOnWindows, TheClientObjectMirrorsTheControls) {
    EXPECT_EQ(Role(client.get()), ROLE_SYSTEM_CLIENT);
    EXPECT_EQ(Name(client.get()), L"Accessible test");

    const auto children = Children(client.get());
    ASSERT_EQ(children.size(), 4u);
    struct Expected {
        const wchar_t* name;
        LONG role;
        bool invisible;
    };
    const Expected expected[] = {{L"Setup", ROLE_SYSTEM_STATICTEXT, false},
                                 {L"Press me", ROLE_SYSTEM_PUSHBUTTON, false},
                                 {L"Hidden", ROLE_SYSTEM_PUSHBUTTON, true},
                                 {L"", ROLE_SYSTEM_LIST, false}};
    for (std::size_t i = 0; i < children.size(); ++i) {
        ASSERT_NE(children[i].get(), nullptr) << i;
        EXPECT_EQ(Name(children[i].get()), expected[i].name) << i;
        EXPECT_EQ(Role(children[i].get()), expected[i].role) << i;
        EXPECT_EQ((State(children[i].get()) & STATE_SYSTEM_INVISIBLE) != 0, expected[i].invisible) << i;
        // Child ids of the parent name the same objects.
        EXPECT_EQ(Name(client.get(), static_cast<LONG>(i + 1)), expected[i].name) << i;
    }
    EXPECT_EQ(TextOf(children[1].get(), &IAccessible::get_accDefaultAction), L"Press");

    const auto rows = Children(children[3].get());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(Name(rows[1].get()), L"Row 1");
    EXPECT_EQ(Role(rows[1].get()), ROLE_SYSTEM_LISTITEM);

    // Up the tree: the list's parent is the client, the client's the window.
    Ref<IDispatch> up;
    ASSERT_EQ(rows[1]->get_accParent(up.out()), S_OK);
    Ref<IAccessible> listAgain;
    ASSERT_EQ(up->QueryInterface(__uuidof(IAccessible), listAgain.out_void()), S_OK);
    EXPECT_EQ(Role(listAgain.get()), ROLE_SYSTEM_LIST);
    Ref<IDispatch> top;
    ASSERT_EQ(client->get_accParent(top.out()), S_OK);
    Ref<IAccessible> windowObject;
    ASSERT_EQ(top->QueryInterface(__uuidof(IAccessible), windowObject.out_void()), S_OK);
    // The system's window object: Wine's answers no role, but it leads
    // oleacc back to the window.
    HWND found = nullptr;
    EXPECT_EQ(WindowFromAccessibleObject(windowObject.get(), &found), S_OK);
    EXPECT_EQ(found, hwnd);
    found = nullptr;
    EXPECT_EQ(WindowFromAccessibleObject(rows[1].get(), &found), S_OK);
    EXPECT_EQ(found, hwnd);

    Ref<IDispatch> none;
    EXPECT_EQ(client->get_accChild(ChildId(5), none.out()), E_INVALIDARG);
}

TEST_F(AccessibleOnWindows, DefaultActionsRunFromTheMessageLoop) {
    const auto children = Children(client.get());
    ASSERT_EQ(children.size(), 4u);
    EXPECT_EQ(children[1]->accDoDefaultAction(Self()), S_OK);
    EXPECT_EQ(window.clicks, 0);  // not inside the client's call
    Pump();
    EXPECT_EQ(window.clicks, 1);

    EXPECT_EQ(children[2]->accDoDefaultAction(Self()), E_FAIL);  // hidden
    EXPECT_EQ(children[0]->accDoDefaultAction(Self()), DISP_E_MEMBERNOTFOUND);  // a label
    window.FindControl(L"press")->SetEnabled(false);
    EXPECT_EQ(children[1]->accDoDefaultAction(Self()), E_FAIL);
    Pump();
    EXPECT_EQ(window.clicks, 1);

    // A row chosen, and the list refilled before the choice could run:
    // the action and the row's object find the row gone.
    const auto rows = Children(children[3].get());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->accDoDefaultAction(Self()), S_OK);
    list->RemoveAll();
    Pump();
    EXPECT_EQ(window.clicks, 1);
    EXPECT_EQ(list->CurSel(), -1);
    BSTR name = nullptr;
    EXPECT_EQ(rows[0]->get_accName(Self(), &name), CO_E_OBJNOTCONNECTED);
    VARIANT role;
    EXPECT_EQ(rows[0]->get_accRole(Self(), &role), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(rows[0]->accDoDefaultAction(Self()), CO_E_OBJNOTCONNECTED);
    LONG x, y, w, h;
    EXPECT_EQ(rows[0]->accLocation(&x, &y, &w, &h, Self()), CO_E_OBJNOTCONNECTED);
}

TEST_F(AccessibleOnWindows, PlacesAreScreenPixelsAtTheWindowsScale) {
    window.SetDpi(144);
    Pump();
    const auto children = Children(client.get());
    ASSERT_EQ(children.size(), 4u);
    LONG left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(children[1]->accLocation(&left, &top, &width, &height, Self()), S_OK);
    const ui::Rect& pos = window.FindControl(L"press")->Pos();
    POINT corner{static_cast<LONG>(std::lround(pos.left * 1.5)), static_cast<LONG>(std::lround(pos.top * 1.5))};
    ClientToScreen(hwnd, &corner);
    EXPECT_EQ(left, corner.x);
    EXPECT_EQ(top, corner.y);
    EXPECT_EQ(width, 150);
    EXPECT_EQ(height, 45);
    // A hidden control has no place.
    EXPECT_EQ(children[2]->accLocation(&left, &top, &width, &height, Self()), S_FALSE);

    // From the middle of the button back to it; from a row's middle to the
    // list, which leads on to the row.
    VARIANT hit;
    ASSERT_EQ(client->accHitTest(corner.x + 75, corner.y + 22, &hit), S_OK);
    EXPECT_EQ(Name(ObjectOf(hit).get()), L"Press me");
    VariantClear(&hit);
    ASSERT_EQ(children[3]->accLocation(&left, &top, &width, &height, Self()), S_OK);
    ASSERT_EQ(client->accHitTest(left + 10, top + 50, &hit), S_OK);
    Ref<IAccessible> listHit = ObjectOf(hit);
    VariantClear(&hit);
    ASSERT_EQ(Role(listHit.get()), ROLE_SYSTEM_LIST);
    ASSERT_EQ(listHit->accHitTest(left + 10, top + 50, &hit), S_OK);
    EXPECT_EQ(Name(ObjectOf(hit).get()), L"Row 1");
    VariantClear(&hit);
    EXPECT_EQ(client->accHitTest(corner.x - 200, corner.y, &hit), S_FALSE);
    EXPECT_EQ(hit.vt, VT_EMPTY);
}

// The name of the object an event is about, as a screen reader finds it.
std::wstring NameOfEvent(const testing_support::HeardEvent& heard) {
    std::wstring name;
    return testing_support::NameOfEvent(heard, name) ? name : L"(not found)";
}

TEST_F(AccessibleOnWindows, ChangesAreEventsThatLeadToTheirObjects) {
    // What a screen reader hears: the events of this thread, as the hook
    // gets them, each resolved afterwards the way the reader resolves it.
    auto& heardEvents = testing_support::HeardEvents();
    heardEvents.clear();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_VALUECHANGE, GetModuleHandleW(nullptr),
                                         testing_support::RecordEvent, GetCurrentProcessId(), GetCurrentThreadId(),
                                         WINEVENT_INCONTEXT);
    ASSERT_NE(hook, nullptr);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    Pump();
    const auto take = [&](DWORD event) {
        std::vector<testing_support::HeardEvent> taken;
        for (const auto& heard : heardEvents)
            if (heard.event == event && heard.object == OBJID_CLIENT) taken.push_back(heard);
        heardEvents.clear();
        return taken;
    };
    take(EVENT_OBJECT_FOCUS);

    window.FindControl(L"press")->SetFocus();
    auto focus = take(EVENT_OBJECT_FOCUS);
    ASSERT_EQ(focus.size(), 1u);
    EXPECT_EQ(focus[0].hwnd, hwnd);
    EXPECT_EQ(NameOfEvent(focus[0]), L"Press me");
    window.FindControl(L"press")->SetFocus();
    EXPECT_TRUE(take(EVENT_OBJECT_FOCUS).empty()) << "the same focus twice";

    window.FindControl(L"press")->SetEnabled(false);
    auto state = take(EVENT_OBJECT_STATECHANGE);
    ASSERT_EQ(state.size(), 1u);
    EXPECT_EQ(NameOfEvent(state[0]), L"Press me");
    EXPECT_EQ(state[0].child, focus[0].child) << "one id for one control";

    window.FindControl(L"title")->SetText(L"Ready");
    auto name = take(EVENT_OBJECT_NAMECHANGE);
    ASSERT_EQ(name.size(), 1u);
    EXPECT_EQ(NameOfEvent(name[0]), L"Ready");

    // Showing a control changes the tree: one event for the client area,
    // after the paint that shows it.
    window.FindControl(L"hidden")->SetVisible(true);
    window.FindControl(L"title")->SetVisible(false);
    EXPECT_TRUE(take(EVENT_OBJECT_REORDER).empty());
    UpdateWindow(hwnd);
    auto reorder = take(EVENT_OBJECT_REORDER);
    ASSERT_EQ(reorder.size(), 1u);
    EXPECT_EQ(reorder[0].child, CHILDID_SELF);
    EXPECT_EQ(NameOfEvent(reorder[0]), L"Accessible test");

    // A row's id leads nowhere once the row is gone.
    static_cast<ui::ListContainerElement*>(list->ItemAt(1))->Select();
    auto selected = take(EVENT_OBJECT_STATECHANGE);
    ASSERT_FALSE(selected.empty());
    EXPECT_EQ(NameOfEvent(selected[0]), L"Row 1");
    list->RemoveAll();
    Ref<IDispatch> gone;
    EXPECT_EQ(client->get_accChild(ChildId(selected[0].child), gone.out()), E_INVALIDARG);

    UnhookWinEvent(hook);
}

TEST_F(AccessibleOnWindows, ObjectsOfAClosedWindowAreDisconnected) {
    const auto children = Children(client.get());
    ASSERT_EQ(children.size(), 4u);
    // A press asked for just before the window closed does not come.
    EXPECT_EQ(children[1]->accDoDefaultAction(Self()), S_OK);
    window.Destroy();
    Pump();
    EXPECT_EQ(window.clicks, 0);
    LONG count = 0;
    EXPECT_EQ(client->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(children[1]->accDoDefaultAction(Self()), CO_E_OBJNOTCONNECTED);
}

const char* kEditLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,100">
  <VerticalLayout>
    <HorizontalLayout height="30">
      <Label name="field" text="Printer name" width="100"/>
      <Edit name="edit" text="A4 Office"/>
    </HorizontalLayout>
    <Edit name="secret" height="30" password="true" text="1234" tooltip="PIN"/>
  </VerticalLayout>
</Window>)";

class EditWindow : public ui::Window {
protected:
    std::wstring GetWindowClassName() const override { return L"AccessibleEditWnd"; }
    std::wstring GetSkinFile() const override { return L"edit.xml"; }
};

TEST(AccessibleNativeEdits, TheEditWindowsAnswerForTheirControls) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    testing_support::UsePackage({{"edit.xml", kEditLayout}});
    EditWindow window;
    ASSERT_TRUE(window.Create(ui::WindowCreation{}.Caption(L"Edit test").Style(WS_POPUP | WS_VISIBLE).At(10, 10).Size(300, 100)));
    const HWND hwnd = static_cast<HWND>(window.Handle());
    UpdateWindow(hwnd);  // the edits' windows are made when first laid out
    const HWND edit = FindWindowExW(hwnd, nullptr, L"EDIT", nullptr);
    const HWND secret = edit ? FindWindowExW(hwnd, edit, L"EDIT", nullptr) : nullptr;
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(secret, nullptr);

    // Asked directly, as a reader asks the window that has the focus.
    Ref<IAccessible> object;
    ASSERT_EQ(AccessibleObjectFromWindow(edit, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                         object.out_void()),
              S_OK);
    EXPECT_EQ(Name(object.get()), L"Printer name");
    EXPECT_EQ(Role(object.get()), ROLE_SYSTEM_TEXT);
    EXPECT_EQ(TextOf(object.get(), &IAccessible::get_accValue), L"A4 Office");
    SetWindowTextW(edit, L"Lab printer");  // as typing changes it
    EXPECT_EQ(TextOf(object.get(), &IAccessible::get_accValue), L"Lab printer");

    Ref<IAccessible> pin;
    ASSERT_EQ(AccessibleObjectFromWindow(secret, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                         pin.out_void()),
              S_OK);
    EXPECT_EQ(Name(pin.get()), L"PIN");
    EXPECT_EQ(TextOf(pin.get(), &IAccessible::get_accValue), L"");
    EXPECT_NE(State(pin.get()) & STATE_SYSTEM_PROTECTED, 0);

    // The system's own focus event about the edit leads to the same object.
    auto& heard = testing_support::HeardEvents();
    heard.clear();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, GetModuleHandleW(nullptr),
                                         testing_support::RecordEvent, GetCurrentProcessId(), GetCurrentThreadId(),
                                         WINEVENT_INCONTEXT);
    ASSERT_NE(hook, nullptr);
    SetForegroundWindow(hwnd);
    SetFocus(edit);
    Pump();
    UnhookWinEvent(hook);
    bool heardEdit = false;
    for (const auto& event : heard)
        if (event.hwnd == edit) heardEdit = NameOfEvent(event) == L"Printer name";
    EXPECT_TRUE(heardEdit);

    window.Destroy();
    Pump();
    // The window is gone, and with it what its object answered for.
    EXPECT_EQ(object->get_accChildCount(nullptr), E_POINTER);
    LONG count = 0;
    EXPECT_EQ(object->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    object = Ref<IAccessible>();
    pin = Ref<IAccessible>();
    CoUninitialize();
}

}  // namespace
