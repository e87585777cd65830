#include <core/RawHelpDocuments.h>
#include <core/RawPath.h>
#include <core/RawProfile.h>
#include <core/RawShell.h>
#include <core/RawSystemText.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <dirent.h>

namespace RawLayer {

namespace {

char FoldAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The position after the UTF-8 character that starts at `pos`.
std::size_t NextCharacter(std::string_view text, std::size_t pos)
{
    ++pos;
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
        ++pos;
    return pos;
}

// "*" matches any run of characters, "?" one character; ASCII letters match either case. A
// mismatch after a "*" lets that "*" take one more character and tries again, which is enough
// for file names and never needs more than one saved position.
bool MatchesPattern(std::string_view name, std::string_view pattern)
{
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = ++p;
            resume = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            n = NextCharacter(name, n);
            ++p;
        } else if (p < pattern.size() && FoldAscii(pattern[p]) == FoldAscii(name[n])) {
            ++n;
            ++p;
        } else if (star != std::string_view::npos) {
            p = star;
            n = resume = NextCharacter(name, resume);
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// The pieces of a ","-separated setting, blanks around each dropped, empty ones skipped.
void CutList(const RawString& text, RawStringList& list)
{
    list.Clear();
    std::string_view rest = text.View();
    while (true) {
        std::size_t comma = std::min(rest.find(','), rest.size());
        std::string_view piece = rest.substr(0, comma);
        std::size_t first = piece.find_first_not_of(" \t");
        if (first != std::string_view::npos)
            list.Add(
                RawString(piece.substr(first, piece.find_last_not_of(" \t") + 1 - first), RawEncoding::Utf8));
        if (comma == rest.size())
            return;
        rest.remove_prefix(comma + 1);
    }
}

// Names of the regular files in `folder` that match one of `patterns`, sorted.
std::vector<std::string> MatchingFiles(const RawString& folder, const RawStringList& patterns)
{
    std::vector<std::string> names;
    RawSystemText path(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(path.IsValid() ? opendir(path.CStr()) : nullptr, closedir);
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir.get())) {
        std::string_view name = entry->d_name;
        bool wanted = std::any_of(patterns.begin(), patterns.end(),
            [&](const RawString& pattern) { return MatchesPattern(name, pattern.View()); });
        if (wanted && RawPath::IsFile(RawPath::Join(folder, RawString(name, RawEncoding::Utf8))))
            names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

void RawHelpDocuments::Find(RawProfile& config)
{
    FindIn(config, RawPath::ExecutableFolder());
}

void RawHelpDocuments::FindIn(RawProfile& config, const RawString& folder)
{
    folder_ = folder;
    default_topic_ = RawPath::Join(folder, "ReadMe_Quelvane.txt");
    RawParameterList manual;
    config.ReadSection("Manual", manual);
    CutList(manual.GetText("Noterra", "txt,md"), viewer_extensions_);
    CutList(manual.GetText("Manual", "ReadMe_*.txt,ReadMe_*.md,*.pdf"), patterns_);
    documents_.Clear();
    for (const std::string& name : MatchingFiles(folder, patterns_)) {
        if (documents_.Count() == kMaxDocuments)
            break;
        documents_.Add(RawPath::Join(folder, RawString(name, RawEncoding::Utf8)));
    }
}

bool RawHelpDocuments::UsesViewer(const RawString& document) const
{
    RawString extension = RawPath::Extension(document);
    return !extension.IsEmpty()
        && std::any_of(viewer_extensions_.begin(), viewer_extensions_.end(),
            [&](const RawString& viewer_extension) { return viewer_extension.EqualsIgnoreCase(extension); });
}

bool RawHelpDocuments::Open(const RawString& document) const
{
    if (UsesViewer(document)) {
        RawString beside = RawPath::Join(folder_, "noterra");
        RawShell viewer;
        viewer.SetCommand(
            RawPath::IsFile(beside) ? beside : RawString("noterra"), RawShell::CommandText::Literal);
        viewer.SetPlaceholders(document, 0);
        if (viewer.Execute("%s", ""))
            return true;
    }
    return RawShell::OpenWithShell(document);
}

} // namespace RawLayer
