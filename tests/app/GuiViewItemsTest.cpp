// The main window and its controller on real windows of the headless host, over real files: the
// enabling rules, searching, stopping, previewing, applying, closing while jobs run, the window
// parameters, the filter hints, loading result files and the start-up files.

#include <app/GuiViewDialog.h>
#include <app/GuiViewItems.h>
#include <app/GuiViewPlacement.h>
#include <engine/JobBackupLock.h>
#include <engine/JobResultFile.h>
#include <toolkit/host/HostMenu.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "../TestSupport.h"
#include "../toolkit/ControlTestSupport.h"

namespace {

using namespace QuelvaneTest;
using AppLayer::GuiDropBar;
using AppLayer::GuiViewDialog;
using AppLayer::GuiViewItems;
using AppLayer::GuiViewPlacement;
using JobLayer::JobResultSet;
using RawLayer::RawEncoding;
using RawLayer::RawParameterList;
using RawLayer::RawString;

RawString Utf8(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

// Runs the loop until `done` holds; false when it did not within a minute.
bool RunUntil(const std::function<bool()>& done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        Host::DrainMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    Host::DrainMessages();
    return true;
}

// The controller with the modal dialogs and other programs replaced by records.
class TestItems : public GuiViewItems {
public:
    using GuiViewItems::GuiViewItems;

    std::optional<RawString> edited_text;
    std::vector<int> edited_bars;
    int duplicates = 0;
    uint32_t hint_choice = 0;

protected:
    std::optional<RawString> EditList(int bar, const RawString&) override
    {
        edited_bars.push_back(bar);
        return edited_text;
    }
    uint32_t TrackHintMenu(const WinLayer::HostMenu&, WinLayer::HostPoint) override { return hint_choice; }
    bool StartDuplicate() override
    {
        ++duplicates;
        return true;
    }
};

class MainWindowTest : public ControlTest {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(temp_.Path().empty());
        root_ = temp_.Path();
        tree_ = root_ + "/tree";
        std::filesystem::create_directories(tree_);
        config_path_ = root_ + "/config.ini";
        WriteFile(config_path_, "[ViewParameter]\r\nBackupFolder=" + root_ + "/backup\r\n");
    }
    void TearDown() override
    {
        Close();
        ControlTest::TearDown();
    }

    void Open(RawParameterList command_line = {})
    {
        config_ = std::make_unique<JobLayer::JobConfig>();
        config_->Load(Utf8(config_path_), command_line);
        gui_ = std::make_unique<RawLayer::RawProfile>(Utf8(root_ + "/gui.ini"));
        centre_ = std::make_unique<JobLayer::JobStatusCentre>();
        store_ = std::make_unique<JobLayer::JobBackupList>();
        dialog_ = std::make_unique<GuiViewDialog>();
        items_ = std::make_unique<TestItems>(*dialog_, *config_, *gui_, *centre_, *store_);
        items_->Prepare();
        ASSERT_TRUE(items_->Open());
        Host::DrainMessages();
    }
    // The main window's end posts the quit message, as it does for the program: the loop takes
    // it, so that the next window's messages are dispatched again.
    void Close()
    {
        if (!dialog_)
            return;
        if (dialog_->IsOpen())
            Host::DestroyWindow(dialog_->Window());
        (void)WinLayer::WinDialog::RunMessageLoop();
        items_.reset();
        dialog_.reset();
    }
    TestItems& Items() { return *items_; }

    void Type(GuiDropBar& bar, const std::string& text)
    {
        bar.SetText(Utf8(text));
        bar.Recolour();
        items_->Command(&bar, WinLayer::WinEditBox::kNotifyChange);
    }
    void Press(WinButton& button)
    {
        Click(button);
        Host::DrainMessages();
    }
    // Waits for every job, and for what the last command posted (a change of check marks
    // restarts the preview).
    bool Idle()
    {
        Host::DrainMessages();
        return RunUntil([&] { return !items_->AnyJobRunning(); });
    }
    // Searches `expression` in the tree and waits for the search (and a preview) to end.
    void SearchFor(const std::string& expression, const std::string& filter = "")
    {
        Type(Items().TargetBar(), tree_);
        Type(Items().FilterBar(), filter);
        Type(Items().ExpressionBar(), expression);
        Press(Items().SearchButton());
        ASSERT_TRUE(Idle());
    }
    std::string Status() const
    {
        std::string all;
        for (const JobLayer::JobStatusUnit& entry : centre_->Entries())
            all += entry.text.Str() + " " + entry.path.Str() + "\n";
        return all;
    }
    // Files named f0000.txt ... each holding one "needle" line.
    void MakeFiles(int count, const std::string& line = "a needle here\n")
    {
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/f%04d.txt", i);
            WriteFile(tree_ + name, line);
        }
    }

    TestFolder temp_;
    std::string root_;
    std::string tree_;
    std::string config_path_;
    std::unique_ptr<JobLayer::JobConfig> config_;
    std::unique_ptr<RawLayer::RawProfile> gui_;
    std::unique_ptr<JobLayer::JobStatusCentre> centre_;
    std::unique_ptr<JobLayer::JobBackupList> store_;
    std::unique_ptr<GuiViewDialog> dialog_;
    std::unique_ptr<TestItems> items_;
};

TEST(MainWindowRules, EnablingFollowsTheJobsAndTheTextsUsed)
{
    using State = GuiViewItems::JobState;
    using Enabling = GuiViewItems::Enabling;
    // search, replace, apply, preview, search_same, replace_same, finished, closing
    const State ready { false, false, false, true, true, true, true, false };
    struct Case {
        State state;
        Enabling enabling; // search bars, replace bar, commands, apply
    } const cases[] = {
        { {}, { true, true, true, false } },
        { ready, { true, true, true, true } },
        { { true, false, false, true, true, true, false, false }, { false, true, false, false } },
        { { false, true, false, true, true, true, true, false }, { true, false, false, false } },
        { { false, false, true, true, true, true, true, false }, { true, true, false, false } },
        { { false, false, false, false, true, true, true, false }, { true, true, true, false } },
        { { false, false, false, true, false, true, true, false }, { true, true, true, false } },
        { { false, false, false, true, true, false, true, false }, { true, true, true, false } },
        { { false, false, false, true, true, true, false, false }, { true, true, true, false } },
        { { false, false, true, true, true, true, true, true }, { false, false, false, false } },
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(GuiViewItems::Rules(cases[i].state), cases[i].enabling) << i;
}

TEST(MainWindowPlacement, NumbersReadBackOnlyInTheirOwnForm)
{
    struct Case {
        std::string text;
        bool valid;
    } const cases[] = {
        { "10,20,810,620", true }, { "-1900,0,-100,700", true }, { "10,20,810", false },
        { "10,20,810,620,5", false }, { "10, 20,810,620", false }, { "a,b,c,d", false }, { "", false },
        { "10,20,10,620", false }, // no width
    };
    for (const Case& c : cases)
        EXPECT_EQ(GuiViewPlacement::ParseRect(c.text).has_value(), c.valid) << c.text;
    EXPECT_EQ(GuiViewPlacement::FormatRect({ -5, 0, 800, 600 }), "-5,0,800,600");
    EXPECT_EQ(
        GuiViewPlacement::ParseNumbers("30,200,50,400", 4), (std::vector<int32_t> { 30, 200, 50, 400 }));
}

TEST(MainWindowPlacement, AWindowOffEveryScreenComesBackIntoTheFirst)
{
    const std::vector<WinLayer::HostRect> screens { { 0, 0, 1920, 1050 }, { 1920, 0, 3840, 1050 } };
    struct Case {
        WinLayer::HostRect saved;
        WinLayer::HostRect placed;
    } const cases[] = {
        { { 100, 100, 900, 700 }, { 100, 100, 900, 700 } },     // on the first screen
        { { 2000, 50, 2800, 650 }, { 2000, 50, 2800, 650 } },   // on the second
        { { 1800, 100, 2600, 700 }, { 1800, 100, 2600, 700 } }, // across both
        { { 4000, 100, 4800, 700 }, { 1120, 100, 1920, 700 } }, // a screen that is gone
        { { 100, -300, 900, 300 }, { 100, 0, 900, 600 } },      // title above the screen
        { { -50, -40, 3000, 2000 }, { 0, 0, 1920, 1050 } },     // off the top, larger than it
    };
    for (const Case& c : cases)
        EXPECT_EQ(GuiViewPlacement::IntoWorkArea(c.saved, screens), c.placed)
            << c.saved.left << "," << c.saved.top;
}

// A million blocks must not mean a million queued messages: "look again" codes wait in the queue
// once until the window has taken them; starts and finishes always arrive.
TEST_F(ControlTest, TheSinkQueuesALookAgainCodeOnceUntilItIsTaken)
{
    using Sink = JobLayer::JobNotificationSink;
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Open());
    AppLayer::GuiViewSink sink;
    sink.SetWindow(dialog.Window());
    for (int i = 0; i < 1000; ++i) {
        sink.Post(Sink::kBlockAdded);
        sink.Post(Sink::kStatusAdded);
    }
    sink.Post(Sink::kSearchFinished);
    sink.Post(Sink::kSearchFinished);
    Host::DrainMessages();
    const auto count = [&](uint32_t code) {
        return std::count(dialog.reports.begin(), dialog.reports.end(), RecordingDialog::Report { 0, code });
    };
    EXPECT_EQ(count(Sink::kBlockAdded), 1);
    EXPECT_EQ(count(Sink::kStatusAdded), 1);
    EXPECT_EQ(count(Sink::kSearchFinished), 2);
    sink.Post(Sink::kBlockAdded); // not taken yet: still covered by the one handled
    sink.Taken(Sink::kBlockAdded);
    sink.Post(Sink::kBlockAdded);
    Host::DrainMessages();
    EXPECT_EQ(count(Sink::kBlockAdded), 2);
    sink.SetWindow(0);
}

TEST_F(MainWindowTest, EmptyFolderOrSearchStartsNothingAndAnEmptyFilterSearchesEveryFile)
{
    WriteFile(tree_ + "/a.txt", "needle\n");
    WriteFile(tree_ + "/b.md", "needle\n");
    Open();
    Type(Items().TargetBar(), "");
    Type(Items().ExpressionBar(), "needle");
    Press(Items().SearchButton());
    EXPECT_FALSE(Items().Results().HasFlag(JobResultSet::kStt));
    Type(Items().TargetBar(), tree_);
    Type(Items().ExpressionBar(), "");
    Press(Items().SearchButton());
    EXPECT_FALSE(Items().Results().HasFlag(JobResultSet::kStt));

    SearchFor("needle");
    EXPECT_EQ(Items().ResultList().RowCount(), 2);
    std::lock_guard guard(Items().Params().lock);
    ASSERT_EQ(Items().Params().filters.Count(), 1);
    EXPECT_EQ(Items().Params().filters.At(0)->Str(), "*");
}

TEST_F(MainWindowTest, WhileASearchRunsItsBarsAreLockedAndStopEndsItSoon)
{
    MakeFiles(4000);
    Open();
    Type(Items().TargetBar(), tree_);
    Type(Items().ExpressionBar(), "needle");
    // Four thousand files keep the search going well past the checks, which read what the
    // rules decided right after it started (nothing is dispatched in between).
    Items().Command(&Items().SearchButton(), GuiViewItems::kSearch);
    for (WinLayer::WinView* view : std::initializer_list<WinLayer::WinView*> { &Items().TargetBar(),
             &Items().FilterBar(), &Items().ExpressionBar(), &Items().BarButton(0), &Items().BarButton(1),
             &Items().BarButton(2), &Items().IgnoreCaseButton(), &Items().SearchButton(),
             &Items().ClearButton(), &Items().SaveButton(), &Items().UndoButton(), &Items().ApplyButton() })
        EXPECT_FALSE(view->Enabled()) << view->Id();
    for (WinLayer::WinView* view : std::initializer_list<WinLayer::WinView*> { &Items().StopButton(),
             &Items().PreviewButton(), &Items().DuplicateButton(), &Items().ReplaceBar() })
        EXPECT_TRUE(view->Enabled()) << view->Id();
    EXPECT_EQ(Items().TargetBar().Background(), WinLayer::WinDialog::kDialogFace);
    Items().Command(&Items().StopButton(), GuiViewItems::kStop);
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(Items().Results().HasFlag(JobResultSet::kFin));
    EXPECT_LT(Items().Results().FilesSearched(), 4000);
    EXPECT_TRUE(Items().SearchButton().Enabled());
    EXPECT_TRUE(Items().TargetBar().Enabled());
    EXPECT_FALSE(Items().Progress().Running());
}

// Enter in "Search:" locks that bar while it has the focus: the focus goes to "Stop", so the
// keyboard can stop the search at once and goes on from there.
TEST_F(MainWindowTest, TheFocusLeavesALockedBarForStop)
{
    MakeFiles(4000);
    Open();
    Type(Items().TargetBar(), tree_);
    Type(Items().ExpressionBar(), "needle");
    Items().ExpressionBar().Focus();
    Items().Command(&Items().ExpressionBar(), WinLayer::WinEditBox::kNotifyEnter);
    EXPECT_FALSE(Items().ExpressionBar().Enabled());
    EXPECT_TRUE(Items().StopButton().HasFocus());
    Key(HostKey::kSpace);
    ASSERT_TRUE(Idle());
    EXPECT_LT(Items().Results().FilesSearched(), 4000);
    EXPECT_TRUE(Items().StopButton().HasFocus());
}

TEST_F(MainWindowTest, ApplyIsOfferedOnlyForTheTextsThePreviewShows)
{
    WriteFile(tree_ + "/a.txt", "one needle\nand another needle\n");
    Open();
    Items().PreviewButton().SetToggleState(true);
    Type(Items().ReplaceBar(), "pin");
    SearchFor("needle");
    ASSERT_EQ(Items().ResultList().RowCount(), 2);
    EXPECT_TRUE(Items().ResultList().ItemOf(0)->HasFlag(JobLayer::JobBlockUnit::kRep));
    EXPECT_TRUE(Items().ApplyButton().Enabled());
    // A changed "Search:" is marked and takes Apply away; typing the old text back returns it.
    Type(Items().ExpressionBar(), "needles");
    EXPECT_FALSE(Items().ApplyButton().Enabled());
    EXPECT_EQ(Items().ExpressionBar().Background(), AppLayer::GuiDropBar::kChangedBackground);
    Type(Items().ExpressionBar(), "needle");
    EXPECT_TRUE(Items().ApplyButton().Enabled());
    Type(Items().ReplaceBar(), "thread");
    EXPECT_FALSE(Items().ApplyButton().Enabled());
    // Enter in "Replace:" previews the new text, and Apply comes back for it.
    Items().ReplaceBar().Focus();
    Key(HostKey::kReturn);
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(Items().ApplyButton().Enabled());
    EXPECT_EQ(Items().ResultList().ItemOf(0)->replaced.Str(), "one thread");
}

TEST_F(MainWindowTest, EnterInReplaceTurnsThePreviewOnAndApplyWritesOnlyCheckedBlocks)
{
    const std::string sjis = "\x8c\x9f\x8d\xf5 needle\r\n"; // "検索" in Shift_JIS, CR LF kept
    WriteFile(tree_ + "/a.txt", "keep\nneedle one\nneedle two\n");
    WriteFile(tree_ + "/b.txt", sjis);
    WriteFile(tree_ + "/c.txt", "nothing\n");
    Open();
    SearchFor("needle");
    ASSERT_EQ(Items().ResultList().RowCount(), 3);
    EXPECT_FALSE(Items().PreviewButton().IsOn());
    Type(Items().ReplaceBar(), "\xe7\xbd\xae\xe6\x8f\x9b"); // "置換"
    Items().ReplaceBar().Focus();
    Key(HostKey::kReturn);
    EXPECT_TRUE(Items().PreviewButton().IsOn());
    ASSERT_TRUE(Idle());
    ASSERT_TRUE(Items().ApplyButton().Enabled());
    // The second block of a.txt (line 3) stays as it is; the walk's order is the folder's own.
    int32_t row = 0;
    while (row < 3 && Items().ResultList().ItemOf(row)->line_number != 3)
        ++row;
    ASSERT_LT(row, 3);
    ASSERT_TRUE(Items().ResultList().ClickCheck(row));
    ASSERT_TRUE(Idle());
    Press(Items().ApplyButton());
    ASSERT_TRUE(Idle());
    EXPECT_EQ(ReadFile(tree_ + "/a.txt"), "keep\n\xe7\xbd\xae\xe6\x8f\x9b one\nneedle two\n");
    EXPECT_EQ(ReadFile(tree_ + "/b.txt"), "\x8c\x9f\x8d\xf5 \x92\x75\x8a\xb7\r\n");
    EXPECT_EQ(ReadFile(tree_ + "/c.txt"), "nothing\n");
    EXPECT_FALSE(Items().ResultList().ItemOf(row)->HasFlag(JobLayer::JobBlockUnit::kApl));
    ASSERT_EQ(store_->Sets().size(), 1U);
    EXPECT_EQ(store_->Sets().front()->Items().Count(), 2);
}

TEST_F(MainWindowTest, ClosingDuringASearchStopsItAndClosesWhenItHasEnded)
{
    MakeFiles(4000);
    Open();
    Type(Items().TargetBar(), tree_);
    Type(Items().ExpressionBar(), "needle");
    Items().Command(&Items().SearchButton(), GuiViewItems::kSearch);
    dialog_->Close();
    EXPECT_TRUE(dialog_->IsOpen());
    EXPECT_TRUE(Items().Closing());
    ASSERT_TRUE(RunUntil([&] { return !dialog_->IsOpen(); }));
    EXPECT_LT(Items().Results().FilesSearched(), 4000);
    EXPECT_FALSE(Items().AnyJobRunning());
}

TEST_F(MainWindowTest, ClosingDuringAnApplyLetsEveryFileBeWrittenFirst)
{
    MakeFiles(300);
    Open();
    Items().PreviewButton().SetToggleState(true);
    Type(Items().ReplaceBar(), "pin");
    SearchFor("needle");
    ASSERT_EQ(Items().ResultList().RowCount(), 300);
    // Another apply holds the backup folder: this one waits for it, and a close must wait too.
    JobLayer::JobBackupLock other;
    std::filesystem::create_directories(root_ + "/backup");
    std::filesystem::permissions(root_ + "/backup", std::filesystem::perms::owner_all);
    ASSERT_EQ(other.TryLock(Utf8(root_ + "/backup")), JobLayer::JobBackupLock::Result::Held);
    Press(Items().ApplyButton());
    dialog_->Close();
    Items().Timer(GuiViewItems::kTickTimer);
    EXPECT_TRUE(dialog_->IsOpen());
    EXPECT_NE(Items().Progress().GetText().Str().find("Finishing the apply"), std::string::npos)
        << Items().Progress().GetText().Str();
    EXPECT_FALSE(Items().SearchButton().Enabled());
    EXPECT_FALSE(Items().ReplaceBar().Enabled());
    other.Unlock();
    ASSERT_TRUE(RunUntil([&] { return !dialog_->IsOpen(); }));
    for (int i = 0; i < 300; i += 37) {
        char name[32];
        std::snprintf(name, sizeof name, "/f%04d.txt", i);
        EXPECT_EQ(ReadFile(tree_ + name), "a pin here\n") << name;
    }
}

TEST_F(MainWindowTest, ATerminationRequestClosesTheWindowAsItsCloseButtonDoes)
{
    Open();
    GuiViewItems::RequestClose();
    ASSERT_TRUE(RunUntil([&] { return !dialog_->IsOpen(); }));
    EXPECT_NE(ReadFile(root_ + "/gui.ini").find("WindowRect="), std::string::npos);
}

TEST_F(MainWindowTest, WindowPlaceDividerAndColumnsComeBackOnTheNextStart)
{
    Open();
    const WinLayer::HostRect window { 60, 50, 860, 650 };
    Host::MoveWindow(dialog_->Window(), window);
    Host::DrainMessages();
    const int32_t divider = Items().Divider().MoveBorder(Items().Divider().Position() + 40);
    Items().ResultList().SetColumnWidths({ 30, 220, 60, 400 });
    const WinLayer::HostRect placed = Host::WindowRect(dialog_->Window());
    dialog_->Close();
    ASSERT_FALSE(dialog_->IsOpen());
    Close();

    Open();
    EXPECT_EQ(Host::WindowRect(dialog_->Window()), placed);
    EXPECT_EQ(Items().Divider().Position(), divider);
    EXPECT_EQ(Items().StatusBox().Rect().bottom, divider);
    EXPECT_EQ(Items().ResultList().Header().Rect().top, divider + GuiViewItems::kDividerHeight);
    EXPECT_EQ(Items().ResultList().ColumnWidths(), (std::vector<int32_t> { 30, 220, 60, 400 }));
    // The result list takes what the window gains.
    const int32_t list_height = Items().ResultList().Rect().Height();
    Host::MoveWindow(dialog_->Window(), { placed.left, placed.top, placed.right + 100, placed.bottom + 80 });
    Host::DrainMessages();
    EXPECT_EQ(Items().ResultList().Rect().Height(), list_height + 80);
    EXPECT_EQ(Items().Divider().Position(), divider);
}

TEST_F(MainWindowTest, AHintGoesIntoFilterAndAppendStoresTheFilterAsAHint)
{
    WriteFile(config_path_, "[FilterHints]\r\nHint1=*.c;*.h\r\n");
    Open();
    WinLayer::HostMenu menu;
    Items().BuildHintMenu(menu);
    ASSERT_EQ(menu.Items().size(), 3U); // the hint, a separator, "Append to hint."
    EXPECT_EQ(menu.Items()[0].text, "*.c;*.h");
    EXPECT_EQ(menu.Items()[2].text, "Append to hint.");
    Items().hint_choice = 1;
    Press(Items().BarButton(1));
    EXPECT_EQ(Items().FilterBar().GetText().Str(), "*.c;*.h");

    Type(Items().FilterBar(), "*.\xe6\x96\x87"); // a Japanese extension
    Items().RunHintCommand(GuiViewItems::kHintAppend);
    EXPECT_NE(ReadFile(config_path_).find("Hint2=*.\xe6\x96\x87\r\n"), std::string::npos)
        << ReadFile(config_path_);
    Items().RunHintCommand(GuiViewItems::kHintAppend);
    EXPECT_NE(Status().find("it is a hint already"), std::string::npos);
    Type(Items().FilterBar(), "");
    Items().RunHintCommand(GuiViewItems::kHintAppend);
    EXPECT_NE(Status().find("the \"Filter:\" field is empty"), std::string::npos);
}

TEST_F(MainWindowTest, AHintThatCannotBeStoredSaysWhy)
{
    config_path_ = root_ + "/missing/config.ini";
    Open();
    Type(Items().FilterBar(), "*.txt");
    Items().RunHintCommand(GuiViewItems::kHintAppend);
    EXPECT_NE(Status().find("Hint not appended " + config_path_), std::string::npos) << Status();
}

TEST_F(MainWindowTest, AListEditorsTextReplacesItsBarAndCancelLeavesIt)
{
    Open();
    Type(Items().ExpressionBar(), "a;b");
    Items().edited_text = Utf8("b;a");
    Press(Items().BarButton(2));
    EXPECT_EQ(Items().ExpressionBar().GetText().Str(), "b;a");
    Items().edited_text.reset();
    Press(Items().BarButton(0));
    Press(Items().BarButton(3));
    EXPECT_EQ(Items().edited_bars, (std::vector<int> { 2, 0, 3 }));
    EXPECT_EQ(Items().ExpressionBar().GetText().Str(), "b;a");
}

TEST_F(MainWindowTest, ASavedDetailFileLoadsBackIntoBarsAndRows)
{
    WriteFile(tree_ + "/a.txt", "needle\nx\nneedle\n");
    Open();
    Items().PreviewButton().SetToggleState(true);
    Type(Items().ReplaceBar(), "pin");
    SearchFor("needle", "*.txt");
    const std::string saved = root_ + "/saved.txt";
    ASSERT_TRUE(JobLayer::JobResultFile::Save(
        Utf8(saved), JobLayer::JobResultFile::Type::Detail, Items().Params(), Items().Results(), *centre_));
    Close();

    Open();
    ASSERT_TRUE(Items().LoadResultFile(Utf8(saved)));
    EXPECT_EQ(Items().TargetBar().GetText().Str(), tree_);
    EXPECT_EQ(Items().FilterBar().GetText().Str(), "*.txt");
    EXPECT_EQ(Items().ExpressionBar().GetText().Str(), "needle");
    EXPECT_EQ(Items().ReplaceBar().GetText().Str(), "pin");
    EXPECT_TRUE(Items().PreviewButton().IsOn());
    EXPECT_EQ(Items().ResultList().RowCount(), 2);
    EXPECT_FALSE(Items().LoadResultFile(Utf8(root_ + "/nothing.txt")));
    EXPECT_NE(Status().find("Read open error"), std::string::npos);
}

TEST_F(MainWindowTest, AFileNamedAtStartUpIsLoadedAndItsErrorsAreShown)
{
    WriteFile(root_ + "/bad.txt", "not a result file\n");
    RawParameterList command_line;
    command_line.SetExactKeys(true);
    command_line.Add(Utf8("p"), Utf8(root_ + "/bad.txt"));
    Open(command_line);
    EXPECT_NE(Status().find("Bad format file."), std::string::npos) << Status();
    EXPECT_EQ(Items().StatusBox().RowCount(), centre_->Count());
}

TEST_F(MainWindowTest, StartUpParametersFillTheBars)
{
    RawParameterList command_line;
    command_line.SetExactKeys(true);
    command_line.Add(Utf8("e"), Utf8("\xe6\xa4\x9c\xe7\xb4\xa2"));
    command_line.Add(Utf8("f"), Utf8("*.c"));
    command_line.Add(Utf8("f"), Utf8("*.h"));
    command_line.Add(Utf8("NoTag_1"), Utf8(tree_));
    Open(command_line);
    EXPECT_EQ(Items().TargetBar().GetText().Str(), tree_);
    EXPECT_EQ(Items().FilterBar().GetText().Str(), "*.c;*.h");
    EXPECT_EQ(Items().ExpressionBar().GetText().Str(), "\xe6\xa4\x9c\xe7\xb4\xa2");
    EXPECT_TRUE(Items().TargetBar().HasFocus());
    EXPECT_FALSE(Items().Results().HasFlag(JobResultSet::kStt)); // nothing starts by itself
}

TEST_F(MainWindowTest, TheKeyboardAloneReachesAndPressesEveryCommand)
{
    WriteFile(tree_ + "/a.txt", "needle\n");
    Open();
    Type(Items().TargetBar(), tree_);
    Type(Items().ExpressionBar(), "needle");
    // From "Folder:": its button, then "Filter:" and on down to the first button of the row.
    Items().TargetBar().Focus();
    const WinLayer::WinView* order[] = { &Items().BarButton(0), &Items().FilterBar(), &Items().BarButton(1),
        &Items().ExpressionBar(), &Items().BarButton(2), &Items().ReplaceBar(), &Items().BarButton(3),
        &Items().IgnoreCaseButton(), &Items().SearchButton() };
    for (const WinLayer::WinView* expected : order) {
        Key(HostKey::kTab);
        EXPECT_TRUE(expected->HasFocus()) << expected->Id();
    }
    Key(HostKey::kSpace);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(Items().ResultList().RowCount(), 1);
    // Duplicate and Ctrl+O go through their own commands.
    Items().DuplicateButton().Focus();
    Key(HostKey::kReturn);
    EXPECT_EQ(Items().duplicates, 1);
}

TEST_F(MainWindowTest, ANewFontIsTakenAndTheControlsMadeToFitIt)
{
    Open();
    const int32_t bar_height = Items().TargetBar().Rect().Height();
    WriteFile(root_ + "/gui.ini", "[WindowFont]\r\nHeight=-28\r\nFaceName=DejaVu Sans\r\n");
    dialog_->OnNotify(nullptr, GuiViewItems::kReloadFont);
    Host::DrainMessages();
    EXPECT_GT(Items().TargetBar().Rect().Height(), bar_height + 8);
    EXPECT_EQ(Items().FilterBar().Rect().top, Items().TargetBar().Rect().bottom + GuiViewItems::kGap);
    ASSERT_TRUE(Items().TargetBar().Font());
    EXPECT_EQ(Items().TargetBar().Font()->LogFont().height, -28);
}

} // namespace
