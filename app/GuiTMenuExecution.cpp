#include <app/GuiTMenuExecution.h>
#include <core/RawLanguageTable.h>
#include <core/RawProfile.h>
#include <core/RawShell.h>
#include <toolkit/WinFontDialog.h>
#include <toolkit/WinView.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

namespace AppLayer {

using RawLayer::RawString;
using WinLayer::HostMenu;
using WinLayer::HostRect;

namespace {

std::string MenuText(const char* key, const char* default_text)
{
    return RawLayer::RawLanguageTable::Instance()
        .Text(RawString("TitleMenu"), RawString(std::string_view(key), RawLayer::RawEncoding::Utf8),
            RawString(std::string_view(default_text), RawLayer::RawEncoding::Utf8))
        .Str();
}

// The name a document goes by in the help popup: its file name.
std::string FileName(const RawString& path)
{
    const std::string text = path.Str();
    const size_t slash = text.rfind('/');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

} // namespace

GuiTMenuExecution::GuiTMenuExecution(RawLayer::RawProfile& gui_profile, RawLayer::RawProfile& config)
    : gui_profile_(gui_profile)
    , config_(config)
{
}

HostRect GuiTMenuExecution::CentreIn(const HostRect& window, const HostRect& work_area)
{
    const int32_t width = window.Width();
    const int32_t height = window.Height();
    const int32_t left
        = width > work_area.Width() ? work_area.left : work_area.left + (work_area.Width() - width) / 2;
    const int32_t top
        = height > work_area.Height() ? work_area.top : work_area.top + (work_area.Height() - height) / 2;
    return { left, top, left + width, top + height };
}

void GuiTMenuExecution::FindOffers()
{
    if (help_folder_.IsEmpty())
        help_.Find(config_);
    else
        help_.FindIn(config_, help_folder_);
    languages_ = RawLayer::RawLanguageTable::Instance().Languages();
}

void GuiTMenuExecution::BuildItems(HostMenu& items)
{
    FindOffers();
    items.AppendItem(kVersion, kVersionText);
    items.AppendSeparator();
    const std::string view_help = MenuText("ViewHelp", "View help.");
    const RawLayer::RawStringList& documents = help_.Documents();
    if (documents.Count() > 1) {
        HostMenu& popup = items.AppendSubMenu(view_help);
        uint32_t command = kHelpFirst;
        for (const RawString& document : documents)
            popup.AppendItem(command++, FileName(document));
    } else {
        items.AppendItem(kViewHelp, view_help, documents.Count() == 1 ? 0 : HostMenu::kGrayed);
    }
    items.AppendItem(kMoveToPrimary, MenuText("MoveToPrimaryScreen", "Move to primary screen."));
    items.AppendSeparator();
    const std::string select_language = MenuText("SelectLanguage", "Select language.");
    if (languages_.Count() > 0) {
        HostMenu& popup = items.AppendSubMenu(select_language);
        const RawString current = RawLayer::RawLanguageTable::Instance().Language();
        uint32_t command = kLanguageFirst;
        for (const RawString& language : languages_)
            popup.AppendItem(command++, language.Str(), language.Equals(current) ? HostMenu::kChecked : 0);
    } else {
        items.AppendItem(kLanguageFirst, select_language, HostMenu::kGrayed);
    }
    items.AppendItem(kOpenGuiProfile, MenuText("OpenGuiProfile", "Open gui profile."));
    items.AppendItem(kSelectFont, MenuText("SelectWindowFont", "Select window font."));
    // The host puts the separator before its own items.
}

void GuiTMenuExecution::RefreshItems(HostMenu& items)
{
    // A language chosen since, or help documents added beside the program, show at once.
    items.Clear();
    BuildItems(items);
}

bool GuiTMenuExecution::Execute(uint32_t command)
{
    const int32_t documents = help_.Documents().Count();
    // A document that cannot be shown is the viewer's or the desktop's to report.
    if (command == kVersion || (command == kViewHelp && documents == 1)) {
        static_cast<void>(
            OpenDocument(command == kVersion ? help_.DefaultTopic() : help_.Documents().Front()));
        return true;
    }
    if (command >= kHelpFirst && command < kHelpFirst + static_cast<uint32_t>(documents)) {
        static_cast<void>(OpenDocument(*help_.Documents().At(static_cast<int32_t>(command - kHelpFirst))));
        return true;
    }
    if (command >= kLanguageFirst && command < kLanguageFirst + static_cast<uint32_t>(languages_.Count())) {
        SelectLanguage(static_cast<int32_t>(command - kLanguageFirst));
        return true;
    }
    switch (command) {
    case kMoveToPrimary:
        MoveToPrimaryScreen();
        return true;
    case kOpenGuiProfile:
        static_cast<void>(OpenWithShell(gui_profile_.FilePath()));
        return true;
    case kSelectFont:
        SelectFont();
        return true;
    default:
        return false;
    }
}

void GuiTMenuExecution::MoveToPrimaryScreen()
{
    if (View() == nullptr || View()->Window() == 0)
        return;
    const HostRect rect = CentreIn(WinLayer::Host::WindowRect(View()->Window()), PrimaryWorkArea());
    WinLayer::Host::MoveWindow(View()->Window(), rect, true);
}

void GuiTMenuExecution::SelectFont()
{
    if (View() == nullptr)
        return;
    const WinLayer::WinLogFont current
        = View()->Font() ? View()->Font()->LogFont() : WinLayer::WinFont::FallbackLogFont();
    const std::optional<WinLayer::WinLogFont> chosen = ChooseFont(current);
    if (!chosen)
        return;
    RawLayer::RawParameterList list;
    gui_profile_.ReadSection(RawString("WindowFont"), list);
    WinLayer::WinFont(*chosen).Save(list);
    if (!gui_profile_.WriteSection(RawString("WindowFont"), list))
        WinLayer::Host::Beep();
    Notify(kNotifyFont);
}

void GuiTMenuExecution::SelectLanguage(int32_t index)
{
    const RawString* language = languages_.At(index);
    if (language == nullptr)
        return;
    if (!gui_profile_.SetText(RawString("UserSelection"), RawString("Language"), *language))
        WinLayer::Host::Beep();
    RawLayer::RawLanguageTable::Instance().SetLanguage(*language);
    Notify(kNotifyLanguage);
}

void GuiTMenuExecution::Notify(uint16_t code)
{
    if (View() != nullptr && View()->Window() != 0)
        WinLayer::Host::SendMessage(
            View()->Window(), WinLayer::HostMsg::kCommand, WinLayer::HostMakeWParam(0, code), 0);
}

bool GuiTMenuExecution::OpenDocument(const RawString& document)
{
    return help_.Open(document);
}

bool GuiTMenuExecution::OpenWithShell(const RawString& path)
{
    return RawLayer::RawShell::OpenWithShell(path);
}

std::optional<WinLayer::WinLogFont> GuiTMenuExecution::ChooseFont(const WinLayer::WinLogFont& current)
{
    return WinLayer::WinFontDialog::Choose(View(), current);
}

HostRect GuiTMenuExecution::PrimaryWorkArea()
{
    return WinLayer::Host::WorkArea();
}

} // namespace AppLayer
