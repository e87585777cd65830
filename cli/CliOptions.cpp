#include <core/RawPath.h>

#include <cli/CliOptions.h>
#include <getopt.h>

namespace QuelvaneCli {

using JobLayer::JobExpressionUtility;
using RawLayer::RawEncoding;
using RawLayer::RawPath;

namespace {

// Values of the options that have no short form.
enum LongOnly : int {
    kSearchField = 256,
    kFilterField,
    kReplaceField,
    kTargetField,
    kConfig,
    kVersion,
};

constexpr const char* kShortOptions = "e:f:r:icqh";

const option kLongOptions[] = {
    { "search", required_argument, nullptr, 'e' },
    { "filter", required_argument, nullptr, 'f' },
    { "replace", required_argument, nullptr, 'r' },
    { "ignore-case", no_argument, nullptr, 'i' },
    { "count", no_argument, nullptr, 'c' },
    { "quiet", no_argument, nullptr, 'q' },
    { "help", no_argument, nullptr, 'h' },
    { "search-field", required_argument, nullptr, kSearchField },
    { "filter-field", required_argument, nullptr, kFilterField },
    { "replace-field", required_argument, nullptr, kReplaceField },
    { "target-field", required_argument, nullptr, kTargetField },
    { "config", required_argument, nullptr, kConfig },
    { "version", no_argument, nullptr, kVersion },
    { nullptr, 0, nullptr, 0 },
};

// Arguments arrive as the shell passed them; the program treats them as UTF-8, as it does file
// names.
RawString Argument(const char* value)
{
    return RawString(value, RawEncoding::Utf8);
}

void AppendAll(RawStringList& to, const RawStringList& from)
{
    for (const RawString& item : from)
        to.Add(item);
}

} // namespace

CliOptions::Outcome CliOptions::Parse(int argc, char** argv, std::string& message)
{
    bool help = false;
    bool version = false;
    optind = 0; // a full restart of getopt's state, so Parse may run more than once
    for (;;) {
        int option = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr);
        if (option == -1)
            break;
        if (option == '?')
            return Outcome::Bad; // getopt has said why
        help = help || option == 'h';
        version = version || option == kVersion;
        TakeOption(option, optarg);
    }
    if (help)
        return Outcome::Help;
    if (version)
        return Outcome::Version;
    for (int i = optind; i < argc; ++i)
        targets_.Add(Argument(argv[i]));
    if (Items(Field::Search).Count() == 0) {
        message = "no search expression given (-e EXPR)";
        return Outcome::Bad;
    }
    if (Items(Field::Folder).Count() == 0) {
        message = "no target given";
        return Outcome::Bad;
    }
    return Outcome::Search;
}

void CliOptions::TakeOption(int option, const char* value)
{
    switch (option) {
    case 'e':
        expressions_.Add(Argument(value));
        break;
    case 'f':
        filters_.Add(Argument(value));
        break;
    case 'r':
        replacements_.Add(Argument(value));
        break;
    case 'i':
        ignore_case_ = true;
        break;
    case 'c':
        if (output_ != Output::Quiet)
            output_ = Output::Count;
        break;
    case 'q':
        output_ = Output::Quiet;
        break;
    case kSearchField:
        field_texts_.emplace_back(Field::Search, Argument(value));
        break;
    case kFilterField:
        field_texts_.emplace_back(Field::Filter, Argument(value));
        break;
    case kReplaceField:
        field_texts_.emplace_back(Field::Replace, Argument(value));
        break;
    case kTargetField:
        field_texts_.emplace_back(Field::Folder, Argument(value));
        break;
    case kConfig:
        config_path_ = RawPath::ExpandHome(Argument(value));
        break;
    default: // 'h' and kVersion are noted by Parse
        break;
    }
}

RawStringList CliOptions::Items(Field field) const
{
    RawStringList items;
    switch (field) {
    case Field::Search:
        AppendAll(items, expressions_);
        break;
    case Field::Folder:
        AppendAll(items, targets_);
        break;
    case Field::Filter:
        AppendAll(items, filters_);
        break;
    case Field::Replace:
        AppendAll(items, replacements_);
        break;
    }
    for (const auto& [text_field, text] : field_texts_) {
        if (text_field == field)
            AppendAll(items, JobExpressionUtility::SplitList(text, field));
    }
    return items;
}

void CliOptions::FillParams(JobLayer::JobParams& params) const
{
    params.targets.Clear();
    for (const RawString& target : Items(Field::Folder))
        params.targets.Add(RawPath::ExpandHome(target));
    params.filters = Items(Field::Filter);
    if (params.filters.Count() == 0)
        params.filters.Add("*");
    params.expressions = Items(Field::Search);
    params.replacements = Items(Field::Replace);
    params.ignore_case = ignore_case_;
}

const char* CliOptions::HelpText()
{
    return "Usage: quelvane-cli [OPTION]... [TARGET]...\n"
           "Searches the target folders and files for blocks of lines in which every expression\n"
           "matches, with the rules of the desktop program, and prints one line per block:\n"
           "the file path, \"(\", the line number, \"):\", and the block's first line.\n"
           "\n"
           "  -e, --search=EXPR         append one search expression (repeatable)\n"
           "  -f, --filter=FILTER       append one file filter (repeatable); none means \"*\"\n"
           "  -r, --replace=TEXT        append one replacement text (repeatable; kept for the\n"
           "                            replace preview, not used by a search)\n"
           "      --search-field=TEXT   the text of the \"Search:\" bar, split by its rule\n"
           "      --filter-field=TEXT   the text of the \"Filter:\" bar, split at \";\"\n"
           "      --replace-field=TEXT  the text of the \"Replace:\" bar, split by its rule\n"
           "      --target-field=TEXT   the text of the \"Folder:\" bar, split at \";\"\n"
           "                            (field items come after the single items)\n"
           "  -i, --ignore-case         ignore the case of ASCII letters\n"
           "      --config=FILE         the configuration file (\"MaxLineLength\" and the other\n"
           "                            view settings); by default the desktop program's: its\n"
           "                            profile quelvane.ini beside this program, else\n"
           "                            Quelvane.ini in the user's folder, or the file its\n"
           "                            \"ConfigFile\" key names\n"
           "  -c, --count               print only the number of blocks found\n"
           "  -q, --quiet               print no blocks and no information entries\n"
           "  -h, --help                print this help and end\n"
           "      --version             print the version and end\n"
           "\n"
           "Status entries go to standard error (with -q only the errors). Exit status: 0 when a\n"
           "block was found, 1 when none was, 2 when an error entry was made or the arguments\n"
           "were wrong.\n";
}

} // namespace QuelvaneCli
