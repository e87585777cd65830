// WinPathDialog: the finish checks and their messages. Each check either lets the path go on or
// stops, leaving the dialog open with the path as it was.

#include <core/RawLanguageTable.h>
#include <core/RawPath.h>
#include <toolkit/WinPathDialog.h>
#include <toolkit/host/HostWindow.h>

namespace WinLayer {

using RawLayer::RawEncoding;
using RawLayer::RawPath;
using RawLayer::RawString;
using Icon = WinInfoDialog::Icon;
using Set = WinInfoDialog::ButtonSet;

namespace {

const WinPathDialog::Message kMessages[] = {
    { "ExpandExtension", "You want expand extension ?", Icon::Question, Set::YesNoCancel },
    { "SpecifyFolder", "Must specify the folder !", Icon::Warning, Set::Ok },
    { "SpecifyFile", "Must specify the file !", Icon::Warning, Set::Ok },
    { "Overwrite", "Overwrite on this file ?", Icon::Question, Set::OkCancel },
    { "SpecifyExist", "Must specify the exist path !", Icon::Warning, Set::Ok },
    { "SpecifyValid", "Must specifiy the file on valid path !", Icon::Warning, Set::Ok },
    { "CreateFolder", "Create specified folder ?", Icon::Question, Set::OkCancel },
    { "ErrorCreate", "Error occured on creating folders !", Icon::Warning, Set::Ok },
};

// The path without a trailing "/" (the root stays "/"), as it is handed back.
RawString WithoutSlash(const RawString& path)
{
    std::string text = path.Str();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return RawString(text, RawEncoding::Utf8);
}

} // namespace

const WinPathDialog::Message& WinPathDialog::MessageOf(const char* key)
{
    for (const Message& message : kMessages) {
        if (std::string_view(message.key) == key)
            return message;
    }
    return kMessages[0];
}

int WinPathDialog::Ask(const char* key, const RawString& path)
{
    static const RawString kSection("PathBox");
    const Message& message = MessageOf(key);
    const RawString text = RawLayer::RawLanguageTable::Instance().Text(kSection,
        RawString(std::string_view(message.key), RawEncoding::Utf8),
        RawString(std::string_view(message.default_text), RawEncoding::Utf8));
    const std::string shown = text.Str() + "\n" + WinPathBoxItemList::DisplayName(path).Str();
    return WinInfoDialog::Show(Host::WindowRect(Window()), GetText(), RawString(shown, RawEncoding::Utf8),
        message.buttons, message.icon, this);
}

bool WinPathDialog::Finish()
{
    // A finish asked for again while a question of this one is open (a queued click) waits for it.
    if (finishing_ || closing_)
        return false;
    finishing_ = true;
    // An empty bar means the folder listed.
    RawString path = bar_.ResolvedPath();
    path = WithoutSlash(path.IsEmpty() ? box_.Folder() : path);
    bool done = false;
    if (!path.IsEmpty() && ExpandExtension(path)) {
        const bool exists = RawPath::Exists(path);
        const bool is_folder = exists && RawPath::IsFolder(path);
        done = CheckKind(path, exists, is_folder) && PrepareFolders(path, exists);
    }
    finishing_ = false;
    if (!done || (State() & kClosed) != 0)
        return false;
    closing_ = true;
    chosen_ = path;
    result_code_ = 1;
    EndDialog(&result_code_);
    return true;
}

bool WinPathDialog::ExpandExtension(RawString& path)
{
    if ((mode_ & kModeFile) == 0 || extension_.IsEmpty() || !RawPath::Extension(path).IsEmpty())
        return true;
    std::string candidate_text = path.Str();
    if (extension_.View().front() != '.')
        candidate_text += '.';
    candidate_text += extension_.Str();
    const RawString candidate(candidate_text, RawEncoding::Utf8);
    // A path that must exist keeps its name when the longer one names no file.
    if ((mode_ & kModeMustExist) != 0 && (!RawPath::Exists(candidate) || RawPath::IsFolder(candidate)))
        return true;
    switch (Ask("ExpandExtension", candidate)) {
    case WinInfoDialog::kYes:
        path = candidate;
        return true;
    case WinInfoDialog::kNo:
        return true;
    default:
        return false;
    }
}

bool WinPathDialog::CheckKind(const RawString& path, bool exists, bool is_folder)
{
    if ((mode_ & kModeFolder) != 0 && exists && !is_folder) {
        Ask("SpecifyFolder", path);
        return false;
    }
    if ((mode_ & kModeFile) != 0 && exists && is_folder) {
        Ask("SpecifyFile", path);
        return false;
    }
    if ((mode_ & kModeAskOverwrite) != 0 && exists && !is_folder
        && Ask("Overwrite", path) != WinInfoDialog::kOk)
        return false;
    if ((mode_ & kModeMustExist) != 0 && !exists && (mode_ & kModeOfferCreate) == 0) {
        Ask("SpecifyExist", path);
        return false;
    }
    return true;
}

RawString WinPathDialog::FolderPartOf(const RawString& path) const
{
    return (mode_ & kModeFolder) != 0 ? path : RawPath::FolderPart(path);
}

bool WinPathDialog::PrepareFolders(const RawString& path, bool exists)
{
    const RawString folder = FolderPartOf(path);
    if ((mode_ & kModeOfferCreate) != 0 && !exists) {
        if (folder.IsEmpty()) {
            Ask("SpecifyValid", path);
            return false;
        }
        if (!RawPath::IsFolder(folder) && Ask("CreateFolder", folder) != WinInfoDialog::kOk)
            return false;
    }
    if ((mode_ & (kModeOfferCreate | kModeCreate)) == 0 || folder.IsEmpty() || RawPath::IsFolder(folder))
        return true;
    if (!RawPath::CreateFolders(folder)) {
        Ask("ErrorCreate", folder);
        return false;
    }
    return true;
}

} // namespace WinLayer
