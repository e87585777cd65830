// The program's items in the main window's window menu: how help and languages show by what is
// there, the centring arithmetic, and a language or font choice stored and announced.

#include <app/GuiTMenuExecution.h>
#include <core/RawLanguageTable.h>
#include <core/RawProfile.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostSystemMenu.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "../toolkit/ControlTestSupport.h"
#include <tests/TestSupport.h>

namespace {

using namespace QuelvaneTest;
using AppLayer::GuiTMenuExecution;
using RawLayer::RawString;

RawString Bytes(const std::string& text)
{
    return RawString(text, RawLayer::RawEncoding::Utf8);
}

// The menu's commands outside the program are recorded instead of carried out.
class RecordingTMenu : public GuiTMenuExecution {
public:
    using GuiTMenuExecution::GuiTMenuExecution;
    std::vector<std::string> opened;
    std::optional<WinLogFont> font_to_choose;
    HostRect work_area { 0, 0, 1000, 700 };

protected:
    bool OpenDocument(const RawString& document) override
    {
        opened.push_back(document.Str());
        return true;
    }
    bool OpenWithShell(const RawString& path) override
    {
        opened.push_back("shell:" + path.Str());
        return true;
    }
    std::optional<WinLogFont> ChooseFont(const WinLogFont&) override { return font_to_choose; }
    HostRect PrimaryWorkArea() override { return work_area; }
};

class GuiTMenuTest : public ControlTest {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root_.empty());
        std::ofstream(root_ + "/config.ini") << "[Manual]\nManual=ReadMe_*.txt\n";
        menu_.SetHelpFolder(Bytes(root_));
        dialog_.SetStyleWords(HostStyle::kOverlappedWindow, 0);
        menu_.Attach(dialog_);
    }
    void TearDown() override
    {
        menu_.Detach();
        RawLayer::RawLanguageTable::Instance().SetFilePath(RawString());
        RawLayer::RawLanguageTable::Instance().Load(Bytes(root_ + "/none"), Bytes(root_ + "/none"));
        ControlTest::TearDown();
    }
    void Open() { ASSERT_TRUE(dialog_.Open()); }
    // The items as (command or 0 for a separator, greyed, has a popup) after the menu is asked
    // to refresh, as it is just before it opens.
    struct Entry {
        uint32_t command;
        bool greyed;
        size_t popup;
        friend bool operator==(const Entry&, const Entry&) = default;
    };
    std::vector<Entry> Items()
    {
        Host::SendMessage(dialog_.Window(), HostMsg::kInitMenuPopup, 0, 0);
        std::vector<Entry> entries;
        for (const HostMenu::Item& item : HostSystemMenu::Items(dialog_.Window())->Items())
            entries.push_back({ item.command, (item.flags & HostMenu::kGrayed) != 0,
                item.sub_menu ? item.sub_menu->Items().size() : 0 });
        return entries;
    }
    void Command(uint32_t command)
    {
        Host::SendMessage(dialog_.Window(), HostMsg::kSysCommand, command, 0);
        Host::DrainMessages();
    }
    void Help(const std::string& name) { std::ofstream(root_ + "/" + name) << "help"; }

    TestFolder folder_;
    const std::string& root_ = folder_.Path();
    RawLayer::RawProfile gui_ { Bytes(root_ + "/gui.ini") };
    RawLayer::RawProfile config_ { Bytes(root_ + "/config.ini") };
    RecordingTMenu menu_ { gui_, config_ };
    RecordingDialog dialog_;
};

TEST_F(GuiTMenuTest, HelpItemIsGreyedPlainOrAPopupByTheDocumentsThere)
{
    Open();
    using T = GuiTMenuExecution;
    const std::vector<Entry> none { { T::kVersion, false, 0 }, { 0, false, 0 }, { T::kViewHelp, true, 0 },
        { T::kMoveToPrimary, false, 0 }, { 0, false, 0 }, { T::kLanguageFirst, true, 0 },
        { T::kOpenGuiProfile, false, 0 }, { T::kSelectFont, false, 0 } };
    EXPECT_EQ(Items(), none);

    Help("ReadMe_Quelvane.txt");
    std::vector<Entry> one = none;
    one[2].greyed = false;
    EXPECT_EQ(Items(), one);
    Command(T::kViewHelp);
    EXPECT_EQ(menu_.opened, std::vector<std::string> { root_ + "/ReadMe_Quelvane.txt" });

    Help("ReadMe_Other.txt");
    const std::vector<Entry> two = Items();
    ASSERT_EQ(two.size(), none.size());
    EXPECT_EQ(two[2], (Entry { 0, false, 2 }));
    Command(T::kHelpFirst + 1); // sorted by name: Other, then Quelvane
    EXPECT_EQ(menu_.opened.back(), root_ + "/ReadMe_Quelvane.txt");
    Command(T::kVersion);
    EXPECT_EQ(menu_.opened.back(), root_ + "/ReadMe_Quelvane.txt");
    Command(T::kOpenGuiProfile);
    EXPECT_EQ(menu_.opened.back(), "shell:" + root_ + "/gui.ini");
}

TEST_F(GuiTMenuTest, ALanguageChoiceIsStoredAndAnnounced)
{
    const std::string file = root_ + "/LanguageFile.ini";
    std::ofstream(file) << "[LangMap]\nja=Japanese\n[Default]\nTitleMenu.ViewHelp=View help.\n"
                           "[Japanese]\nTitleMenu.ViewHelp=ヘルプを表示\n";
    RawLayer::RawLanguageTable& table = RawLayer::RawLanguageTable::Instance();
    table.SetFilePath(Bytes(file));
    ASSERT_TRUE(table.Load(Bytes(root_)));
    table.SetLanguage(Bytes("Default"));
    Open();
    const std::vector<Entry> items = Items();
    EXPECT_EQ(items[5], (Entry { 0, false, 2 }));
    EXPECT_EQ(HostSystemMenu::Items(dialog_.Window())->Items()[2].text, "View help.");

    dialog_.reports.clear();
    Command(GuiTMenuExecution::kLanguageFirst + 1);
    EXPECT_EQ(gui_.GetText(Bytes("UserSelection"), Bytes("Language"), Bytes("")).Str(), "Japanese");
    EXPECT_EQ(table.Language().Str(), "Japanese");
    EXPECT_EQ(dialog_.reports,
        (std::vector<RecordingDialog::Report> { { 0, GuiTMenuExecution::kNotifyLanguage } }));
    // The menu itself speaks the new language the next time it opens.
    Items();
    EXPECT_EQ(HostSystemMenu::Items(dialog_.Window())->Items()[2].text, "ヘルプを表示");
}

TEST_F(GuiTMenuTest, AFontChoiceIsStoredAndACancelChangesNothing)
{
    Open();
    dialog_.reports.clear();
    Command(GuiTMenuExecution::kSelectFont); // cancelled
    EXPECT_TRUE(dialog_.reports.empty());
    RawLayer::RawParameterList stored;
    EXPECT_FALSE(gui_.ReadSection(Bytes("WindowFont"), stored));

    WinLogFont chosen;
    chosen.height = -18;
    chosen.weight = 700;
    chosen.face_name = u"IPAGothic";
    menu_.font_to_choose = chosen;
    Command(GuiTMenuExecution::kSelectFont);
    EXPECT_EQ(
        dialog_.reports, (std::vector<RecordingDialog::Report> { { 0, GuiTMenuExecution::kNotifyFont } }));
    ASSERT_TRUE(gui_.ReadSection(Bytes("WindowFont"), stored));
    WinFont read_back;
    read_back.Load(stored);
    EXPECT_EQ(read_back.LogFont(), chosen);
}

TEST_F(GuiTMenuTest, MoveToPrimaryScreenCentresOrPutsTheEdgeOnTheArea)
{
    const struct {
        HostRect window;
        HostRect area;
        HostRect expected;
    } cases[] = {
        { { 0, 0, 400, 300 }, { 0, 0, 1000, 700 }, { 300, 200, 700, 500 } },
        { { 5, 5, 406, 306 }, { 0, 0, 1000, 700 }, { 299, 199, 700, 500 } }, // halves rounded down
        { { -900, 40, -500, 340 }, { 100, 50, 1100, 750 }, { 400, 250, 800, 550 } },
        { { 0, 0, 1200, 300 }, { 100, 50, 1100, 750 }, { 100, 250, 1300, 550 } }, // too wide
        { { 0, 0, 400, 900 }, { 100, 50, 1100, 750 }, { 400, 50, 800, 950 } },    // too tall
    };
    for (const auto& each : cases)
        EXPECT_EQ(GuiTMenuExecution::CentreIn(each.window, each.area), each.expected);

    Open();
    menu_.work_area = { 0, 0, 1000, 700 };
    const HostRect before = Host::WindowRect(dialog_.Window());
    Command(GuiTMenuExecution::kMoveToPrimary);
    EXPECT_EQ(Host::WindowRect(dialog_.Window()), GuiTMenuExecution::CentreIn(before, menu_.work_area));
}

} // namespace
