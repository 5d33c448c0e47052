// The dialog templates of the wizard pages, the navigation bar and the folder
// dialog as the program gets them: each template is created from this program's
// resources and every control compared with the layout tables of the design,
// written down here from those tables and not from the resource script.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

namespace {

// A control kind: its window class and the style bits under `mask` it must have.
struct Kind {
    const char* className;
    DWORD mask;
    DWORD bits;
};

constexpr Kind kText{"Static", SS_TYPEMASK, SS_LEFT};
constexpr Kind kCentredText{"Static", SS_TYPEMASK, SS_CENTER};
constexpr Kind kIcon{"Static", SS_TYPEMASK, SS_ICON};
constexpr Kind kEtchedLine{"Static", SS_TYPEMASK, SS_ETCHEDHORZ};
constexpr Kind kBlackFrame{"Static", SS_TYPEMASK, SS_BLACKFRAME};
constexpr Kind kPushButton{"Button", BS_TYPEMASK, BS_PUSHBUTTON};
constexpr Kind kDefaultButton{"Button", BS_TYPEMASK, BS_DEFPUSHBUTTON};
constexpr Kind kFirstRadio{"Button", BS_TYPEMASK | WS_GROUP, BS_AUTORADIOBUTTON | WS_GROUP};
constexpr Kind kNextRadio{"Button", BS_TYPEMASK | WS_GROUP, BS_AUTORADIOBUTTON};
constexpr Kind kCheckBox{"Button", BS_TYPEMASK, BS_AUTOCHECKBOX};
constexpr Kind kEdit{"Edit", 0, 0};
constexpr Kind kScrollingEdit{"Edit", ES_AUTOHSCROLL, ES_AUTOHSCROLL};
constexpr DWORD kGroupListStyle = LBS_SORT | LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT;
constexpr Kind kGroupList{"ListBox", kGroupListStyle, kGroupListStyle};
// The common dialog fills and draws its folder and drive lists itself.
constexpr DWORD kFolderListStyle = LBS_SORT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_DISABLENOSCROLL;
constexpr Kind kFolderList{"ListBox", kFolderListStyle, kFolderListStyle};
constexpr Kind kListBox{"ListBox", 0, 0};
constexpr DWORD kDriveListStyle = CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_AUTOHSCROLL | CBS_SORT | CBS_HASSTRINGS;
constexpr Kind kDriveList{"ComboBox", kDriveListStyle, kDriveListStyle};
constexpr Kind kDropDownList{"ComboBox", CBS_DROPDOWNLIST, CBS_DROPDOWNLIST};

struct Control {
    int id;  // -1: a static without id
    Kind kind;
    const char* text;  // null: filled in at run time, or free
    int x, y, cx, cy;  // dialog units
    bool visible = true;
    int icon = 0;  // the icon an icon control shows
};

Control Icon(int id, int icon, int x, int y) { return {id, kIcon, nullptr, x, y, 0, 0, true, icon}; }
Control Hidden(Control control)
{
    control.visible = false;
    return control;
}

constexpr DWORD kPageStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE;
constexpr DWORD kFolderDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kNavigationBarStyle = WS_CHILD | WS_VISIBLE | DS_CONTROL;
constexpr DWORD kTemplateStyleMask = kPageStyle | WS_CHILD | DS_CONTROL;

struct Template {
    int id;
    const char* caption;  // null: no caption
    int cx, cy;
    DWORD style;  // under kTemplateStyleMask
    std::vector<Control> controls;  // in tab order; empty: free layout
};

const char kProduct[] = "Pelto Setup";

const std::vector<Template> kTemplates = {
    {102, "Welcome", 295, 161, kPageStyle, {
        Icon(1000, 103, 15, 10),
        {-1, kText, "Welcome to Pelto.", 50, 10, 136, 11},
        {-1, kText, "This Setup program will install Pelto on your computer. Full installation instructions will be "
                    "provided.\n\nTo quit the Setup program at any time, choose Cancel Setup.\n\nTo install Pelto, "
                    "choose Next.", 50, 35, 240, 58},
        {-1, kCentredText, nullptr, 50, 138, 240, 18},
    }},
    {104, "Select Directory", 295, 161, kPageStyle, {
        Icon(-1, 102, 15, 10),
        {-1, kText, "Setup copies the Pelto files to the following directory, which it will create on your hard "
                    "disk.", 50, 10, 240, 19},
        {-1, kText, "&Location:", 50, 52, 30, 8},
        {1001, kScrollingEdit, nullptr, 83, 50, 134, 13},
        {4, kPushButton, "B&rowse...", 223, 50, 50, 14},
        {-1, kText, "To specify a different location, press the Backspace key to remove characters, then type the "
                    "drive and directory where you'd like Pelto installed.", 50, 77, 240, 28},
    }},
    {106, "Select Program Item Group", 295, 161, kPageStyle, {
        Icon(-1, 101, 15, 10),
        {-1, kText, "This Setup program will create a Pelto program icon. Please select a Program Item Group.",
         50, 10, 240, 21},
        {1004, kFirstRadio, "Create &new group:", 50, 40, 72, 10},
        {1005, kNextRadio, "Use &existing group:", 50, 58, 73, 10},
        {1006, kScrollingEdit, nullptr, 128, 40, 82, 13},
        {1007, kGroupList, nullptr, 128, 59, 82, 90},
    }},
    {108, kProduct, 226, 109, kPageStyle, {
        Icon(-1, 133, 11, 9),
        {-1, kText, "Source File:", 44, 9, 38, 8},
        {1008, kText, nullptr, 44, 19, 150, 8},
        {-1, kText, "Destination File:", 44, 34, 51, 8},
        {1009, kText, nullptr, 44, 44, 152, 8},
        {1010, kBlackFrame, nullptr, 44, 66, 165, 15},
        {2, kPushButton, "Cancel", 101, 91, 50, 14},
    }},
    {114, kProduct, 250, 45, kPageStyle, {
        Icon(-1, 134, 15, 10),
        {-1, kText, "Reading Setup information. Please wait.", 50, 10, 195, 8},
    }},
    {1549, kProduct, 250, 45, kPageStyle, {
        Icon(-1, 142, 15, 10),
        {-1, kText, "Registering components...", 50, 10, 181, 8},
    }},
    {1550, kProduct, 250, 45, kPageStyle, {
        Icon(-1, 142, 15, 10),
        {-1, kText, "Unregistering components...", 50, 10, 181, 8},
    }},
    {115, kProduct, 295, 161, kPageStyle, {
        Icon(-1, 103, 15, 10),
        {-1, kText, "Pelto Installation is complete.", 50, 10, 181, 8},
        {-1, kText, "Thank you for choosing Pelto. ", 50, 34, 240, 8},
        {-1, kEtchedLine, "", 16, 137, 274, 1},
        {1, kDefaultButton, "Finished", 240, 142, 50, 14},
    }},
    {116, kProduct, 295, 161, kPageStyle, {
        Icon(-1, 137, 15, 10),
        {-1, kText, "Pelto has NOT been properly installed. You should run this setup procedure again in its "
                    "entirety.", 50, 10, 240, 28},
        {-1, kEtchedLine, "", 15, 136, 275, 1},
        {1, kPushButton, "&OK", 240, 142, 50, 14},
    }},
    {1537, "Install Conditions", 187, 155, kPageStyle, {
        Icon(1000, 132, 14, 9),
        {-1, kText, "Cannot install  Pelto.", 41, 10, 128, 8},
        {-1, kText, "This Setup program cannot install Pelto on your computer, because the following requirements "
                    "are not met by your computer:", 41, 26, 122, 44},
        {1029, kText, nullptr, 39, 76, 123, 48},
        {-1, kBlackFrame, "", 36, 71, 130, 57},
        {1, kDefaultButton, "&Continue", 68, 133, 54, 14},
    }},
    {1545, "Removing Pelto", 295, 161, kPageStyle, {
        Icon(1000, 137, 15, 10),
        {-1, kText, "You have chosen to remove Pelto.", 50, 10, 240, 22},
        {-1, kText, "If you continue, this Setup program will remove Pelto from your computer. \n\nTo remove Pelto, "
                    "choose Next.\n\nTo keep Pelto, choose Cancel.", 50, 35, 240, 58},
    }},
    {1546, kProduct, 226, 73, kPageStyle, {
        Icon(-1, 136, 8, 9),
        {-1, kText, "Removing File:", 39, 17, 51, 8},
        {1031, kText, nullptr, 38, 30, 181, 8},
        Hidden({2, kPushButton, "Cancel", 88, 54, 50, 14}),
    }},
    {1547, kProduct, 295, 161, kPageStyle, {
        Icon(-1, 103, 15, 10),
        {-1, kText, "Pelto has been removed from your computer.", 50, 10, 240, 22},
        {-1, kEtchedLine, "", 16, 137, 274, 1},
        {1, kDefaultButton, "Finished", 240, 142, 50, 14},
    }},
    {1558, nullptr, 0, 0, kPageStyle, {}},
    {129, nullptr, 272, 27, kNavigationBarStyle, {
        {1020, kDefaultButton, "Next >", 135, 7, 50, 14},
        {1027, kPushButton, "< &Back", 86, 7, 50, 14},
        {2, kPushButton, "Cancel", 18, 7, 50, 14},
        Hidden({9, kPushButton, "&Help", 204, 7, 50, 14}),
        {-1, kEtchedLine, "", 0, 2, 272, 1},
    }},
    {138, "Change Folder", 161, 175, kFolderDialogStyle, {
        {-1, kText, "Enter or select a destination folder.", 7, 7, 116, 8},
        {-1, kText, "&Path:", 7, 22, 18, 8},
        {1002, kScrollingEdit, nullptr, 7, 33, 147, 14},
        {1034, kText, nullptr, 7, 36, 147, 8},
        {-1, kText, "&Folders:", 7, 51, 26, 8},
        {1121, kFolderList, nullptr, 6, 61, 93, 63},
        {-1, kText, "Dri&ves:", 7, 132, 23, 8},
        {1137, kDriveList, nullptr, 6, 143, 93, 63},
        {1, kDefaultButton, "OK", 104, 62, 50, 14},
        {2, kPushButton, "Cancel", 104, 81, 50, 14},
        Hidden({1088, kEdit, nullptr, 7, 155, 147, 13}),
        Hidden({1152, kEdit, nullptr, 7, 156, 74, 12}),
        Hidden({1120, kListBox, nullptr, 7, 164, 74, 9}),
        Hidden({1089, kText, "List Files of &Type:", 7, 159, 55, 9}),
        Hidden({1136, kDropDownList, nullptr, 7, 156, 62, 36}),
        Hidden({1040, kCheckBox, "&Read Only", 7, 156, 50, 12}),
    }},
};

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::string Text(HWND window)
{
    char text[512] = "";
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

// A dialog-unit rectangle in pixels, converted as the dialog manager places
// controls: origin and size each on their own.
RECT Pixels(HWND dialog, int x, int y, int cx, int cy)
{
    RECT rc{x, y, cx, cy};
    ::MapDialogRect(dialog, &rc);
    return {rc.left, rc.top, rc.left + rc.right, rc.top + rc.bottom};
}

RECT RectInParent(HWND control)
{
    RECT rc{};
    ::GetWindowRect(control, &rc);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// A drop-down list is as high as its selection field, and a list box without
// LBS_NOINTEGRALHEIGHT shrinks to whole items.
bool KeepsTemplateHeight(const Kind& kind, DWORD style)
{
    const std::string cls = kind.className;
    return cls != "ComboBox" && (cls != "ListBox" || (style & LBS_NOINTEGRALHEIGHT) != 0);
}

WORD WordAt(const std::vector<BYTE>& bytes, size_t pos)
{
    return pos + 2 <= bytes.size() ? static_cast<WORD>(bytes[pos] | bytes[pos + 1] << 8) : 0;
}

DWORD DwordAt(const std::vector<BYTE>& bytes, size_t pos)
{
    return WordAt(bytes, pos) | static_cast<DWORD>(WordAt(bytes, pos + 2)) << 16;
}

// Past a menu, class or text field: 0xFFFF and an ordinal, or a string ending in 0.
size_t SkipField(const std::vector<BYTE>& bytes, size_t pos)
{
    if (WordAt(bytes, pos) == 0xFFFF)
        return pos + 4;
    while (pos < bytes.size() && WordAt(bytes, pos) != 0)
        pos += 2;
    return pos + 2;
}

// A dialog made from one of this program's templates, created hidden so that
// nothing flashes on the screen; a child template gets a hidden host window.
// The styles are read from the template itself: controls change their own
// (a list box drops WS_VSCROLL while it has nothing to scroll, an edit trades
// WS_BORDER for an edge). Get() is null when there is no such template.
class HiddenDialog {
public:
    explicit HiddenDialog(int id)
    {
        HINSTANCE instance = ::GetModuleHandleA(nullptr);
        HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
        if (!resource)
            return;
        const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(instance, resource)));
        std::vector<BYTE> copy(bytes, bytes + ::SizeofResource(instance, resource));
        // DLGTEMPLATE: style, extended style, item count, x, y, cx, cy; then
        // menu, class, caption and, with DS_SETFONT, point size and face name.
        // An extended template begins with the signature 0xFFFF in place of the style's high word.
        m_templateStyle = DwordAt(copy, 0);
        if (copy.size() < sizeof(DLGTEMPLATE) || HIWORD(m_templateStyle) == 0xFFFF)
            return;
        size_t pos = SkipField(copy, SkipField(copy, SkipField(copy, 18)));
        if (m_templateStyle & DS_SETFONT)
            pos = SkipField(copy, pos + 2);
        // DLGITEMTEMPLATE, aligned to 4 bytes: style, extended style, x, y, cx,
        // cy, id; class, text, and extra data after its byte count.
        for (WORD i = 0, count = WordAt(copy, 8); i < count && pos < copy.size(); ++i) {
            pos = (pos + 3) & ~size_t{3};
            m_itemStyles.push_back(DwordAt(copy, pos));
            pos = SkipField(copy, SkipField(copy, pos + 18));
            pos += 2 + WordAt(copy, pos);
        }
        auto* header = reinterpret_cast<DLGTEMPLATE*>(copy.data());
        header->style &= ~WS_VISIBLE;
        if (m_templateStyle & WS_CHILD)
            m_host = ::CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, instance, nullptr);
        // Once in many full runs under Wine a template made no dialog, and
        // the same one did in the next test; it is tried again then.
        for (int attempt = 0; attempt < 3 && !m_dialog; ++attempt) {
            if (attempt > 0)
                ::Sleep(500);
            m_dialog = ::CreateDialogIndirectParamA(instance, header, m_host, QuietDialogProc, 0);
            if (!m_dialog)
                m_nError = ::GetLastError();
        }
    }
    HiddenDialog(const HiddenDialog&) = delete;
    HiddenDialog& operator=(const HiddenDialog&) = delete;
    ~HiddenDialog()
    {
        if (m_dialog)
            ::DestroyWindow(m_dialog);
        if (m_host)
            ::DestroyWindow(m_host);
    }

    HWND Get() const noexcept { return m_dialog; }
    // The system's error of the last failed try.
    DWORD Error() const noexcept { return m_nError; }
    DWORD TemplateStyle() const noexcept { return m_templateStyle; }
    const std::vector<DWORD>& ItemStyles() const noexcept { return m_itemStyles; }

private:
    DWORD m_templateStyle = 0;
    std::vector<DWORD> m_itemStyles;
    HWND m_host = nullptr;
    HWND m_dialog = nullptr;
    DWORD m_nError = 0;
};

// Parameter: a template id of the table.
class TemplatesTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        for (const Template& t : kTemplates) {
            if (t.id == GetParam())
                m_expected = &t;
        }
        ASSERT_NE(m_dialog.Get(), nullptr) << "template " << GetParam() << " makes no dialog (error "
                                           << m_dialog.Error() << ")";
    }

    const Template* m_expected = nullptr;
    HiddenDialog m_dialog{GetParam()};
};

TEST_P(TemplatesTest, FrameCaptionSizeAndFont)
{
    const Template& t = *m_expected;
    EXPECT_EQ(m_dialog.TemplateStyle() & kTemplateStyleMask, t.style);
    if (t.caption) {
        EXPECT_EQ(Text(m_dialog.Get()), t.caption);
    }
    if (t.cx) {
        RECT client{};
        ::GetClientRect(m_dialog.Get(), &client);
        const RECT expected = Pixels(m_dialog.Get(), 0, 0, t.cx, t.cy);
        EXPECT_EQ(client.right, expected.right);
        EXPECT_EQ(client.bottom, expected.bottom);
    }
    LOGFONTA font{};
    ASSERT_TRUE(::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(m_dialog.Get(), WM_GETFONT, 0, 0)), sizeof font,
                             &font));
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
    HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72));
    ::ReleaseDC(nullptr, screen);
}

TEST_P(TemplatesTest, EveryControlAsLaidOut)
{
    const Template& t = *m_expected;
    if (t.controls.empty())
        return;  // free layout: RestartPageTest
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(m_dialog.Get(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_EQ(children.size(), t.controls.size());
    ASSERT_EQ(m_dialog.ItemStyles().size(), t.controls.size());

    for (size_t i = 0; i < children.size(); ++i) {
        const Control& c = t.controls[i];
        const HWND h = children[i];
        const DWORD style = m_dialog.ItemStyles()[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(c.id) + ")");
        EXPECT_EQ(static_cast<WORD>(::GetDlgCtrlID(h)), static_cast<WORD>(c.id));
        EXPECT_EQ(ClassOf(h), c.kind.className);
        EXPECT_EQ(style & c.kind.mask, c.kind.bits) << std::hex << "style 0x" << style;
        EXPECT_EQ((style & WS_VISIBLE) != 0, c.visible);
        if (c.text) {
            EXPECT_EQ(Text(h), c.text);
        }

        const RECT expected = Pixels(m_dialog.Get(), c.x, c.y, c.cx, c.cy);
        const RECT actual = RectInParent(h);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        if (c.icon) {
            // An icon control takes the icon's size; it shows the icon resource it names.
            const auto icon = reinterpret_cast<HICON>(::SendMessageA(h, STM_GETICON, 0, 0));
            EXPECT_NE(icon, nullptr);
            EXPECT_EQ(icon, ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.icon)));
        } else if (std::string(c.kind.className) == kEtchedLine.className && c.kind.bits == kEtchedLine.bits) {
            // The system frames an etched line with an edge around its length.
            RECT client{};
            ::GetClientRect(h, &client);
            EXPECT_EQ(client.right, expected.right - expected.left);
        } else {
            EXPECT_EQ(actual.right, expected.right);
            if (KeepsTemplateHeight(c.kind, style)) {
                EXPECT_EQ(actual.bottom, expected.bottom);
            }
        }
    }
}

// The restart page's layout is free, but it offers its two commands as visible
// push buttons and has no navigation of its own.
TEST(RestartPageTest, OffersRestartAndFinishOnly)
{
    HiddenDialog page(1558);
    ASSERT_NE(page.Get(), nullptr);
    for (int id : {1035, 1036}) {
        HWND button = ::GetDlgItem(page.Get(), id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(ClassOf(button), "Button");
        const DWORD style = static_cast<DWORD>(::GetWindowLongA(button, GWL_STYLE));
        EXPECT_TRUE((style & BS_TYPEMASK) == BS_PUSHBUTTON || (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) << id;
        EXPECT_NE(style & WS_VISIBLE, 0u) << id;
    }
    for (int id : {1020, 1027, 9})
        EXPECT_EQ(::GetDlgItem(page.Get(), id), nullptr) << id;
}

std::vector<int> TemplateIds()
{
    std::vector<int> ids;
    for (const Template& t : kTemplates)
        ids.push_back(t.id);
    return ids;
}

INSTANTIATE_TEST_SUITE_P(Wizard, TemplatesTest, ::testing::ValuesIn(TemplateIds()),
                         [](const ::testing::TestParamInfo<int>& info) { return "Template" + std::to_string(info.param); });

} // namespace
