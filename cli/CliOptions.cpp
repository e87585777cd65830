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
    kPreview,
    kApply,
    kSaveParam,
    kSaveDetail,
    kSaveSimple,
    kListBackups,
    kRestore,
    kNull,
};

constexpr const char* kShortOptions = "e:f:r:l:icqh";

const option kLongOptions[] = {
    { "search", required_argument, nullptr, 'e' },
    { "filter", required_argument, nullptr, 'f' },
    { "replace", required_argument, nullptr, 'r' },
    { "load", required_argument, nullptr, 'l' },
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
    { "preview", no_argument, nullptr, kPreview },
    { "apply", no_argument, nullptr, kApply },
    { "save-param", required_argument, nullptr, kSaveParam },
    { "save-detail", required_argument, nullptr, kSaveDetail },
    { "save-simple", required_argument, nullptr, kSaveSimple },
    { "list-backups", no_argument, nullptr, kListBackups },
    { "restore", required_argument, nullptr, kRestore },
    { "null", no_argument, nullptr, kNull },
    { nullptr, 0, nullptr, 0 },
};

// Arguments arrive as the shell passed them; the program treats them as UTF-8, as it does file
// names.
RawString Argument(const char* value)
{
    return RawString(value, RawEncoding::Utf8);
}

// A file named on the command line, with "~/" expanded as a shell would have.
RawString FileArgument(const char* value)
{
    return RawPath::ExpandHome(Argument(value));
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
    message = ModeConflict();
    if (!message.empty())
        return Outcome::Bad;
    if (list_backups_)
        return Outcome::ListBackups;
    if (restore_)
        return Outcome::Restore;
    if (!load_path_.IsEmpty())
        return Outcome::Search; // the file may bring the expressions and targets
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

std::string CliOptions::ModeConflict() const
{
    if (list_backups_ && restore_)
        return "--list-backups and --restore cannot be combined";
    bool searches = ChangesSearch() || replacements_.Count() > 0 || preview_ || apply_
        || !load_path_.IsEmpty() || !save_param_path_.IsEmpty() || !save_detail_path_.IsEmpty()
        || !save_simple_path_.IsEmpty();
    for (const auto& field_text : field_texts_)
        searches = searches || field_text.first == Field::Replace;
    if ((list_backups_ || restore_) && searches)
        return list_backups_ ? "--list-backups takes no search options" : "--restore takes no search options";
    if (restore_ && restore_set_.IsEmpty())
        return "--restore needs the folder name of a backup set";
    return std::string();
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
    case 'l':
        load_path_ = FileArgument(value);
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
        config_path_ = FileArgument(value);
        break;
    case kPreview:
        preview_ = true;
        break;
    case kApply:
        apply_ = true;
        break;
    case kSaveParam:
        save_param_path_ = FileArgument(value);
        break;
    case kSaveDetail:
        save_detail_path_ = FileArgument(value);
        break;
    case kSaveSimple:
        save_simple_path_ = FileArgument(value);
        break;
    case kListBackups:
        list_backups_ = true;
        break;
    case kRestore:
        restore_ = true;
        restore_set_ = Argument(value);
        break;
    case kNull:
        names_ = Names::NullEnded;
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

bool CliOptions::KeepsResults() const
{
    return preview_ || apply_ || !save_detail_path_.IsEmpty() || !save_simple_path_.IsEmpty();
}

bool CliOptions::ChangesSearch() const
{
    if (ignore_case_ || expressions_.Count() > 0 || filters_.Count() > 0 || targets_.Count() > 0)
        return true;
    for (const auto& field_text : field_texts_) {
        if (field_text.first != Field::Replace)
            return true;
    }
    return false;
}

void CliOptions::FillParams(JobLayer::JobParams& params) const
{
    for (const RawString& target : Items(Field::Folder))
        params.targets.Add(RawPath::ExpandHome(target));
    AppendAll(params.filters, Items(Field::Filter));
    if (params.filters.Count() == 0)
        params.filters.Add("*");
    AppendAll(params.expressions, Items(Field::Search));
    AppendAll(params.replacements, Items(Field::Replace));
    params.ignore_case = params.ignore_case || ignore_case_;
}

bool CliOptions::CheckParams(const JobLayer::JobParams& params, std::string& message)
{
    if (params.expressions.Count() == 0)
        message = "no search expression given (-e EXPR)";
    else if (params.targets.Count() == 0)
        message = "no target given";
    return message.empty();
}

const char* CliOptions::HelpText()
{
    return "Usage: quelvane-cli [OPTION]... [TARGET]...\n"
           "Searches the target folders and files for blocks of lines in which every expression\n"
           "matches, with the rules of the desktop program, and prints one line per block:\n"
           "the file path, \"(\", the line number, \"):\", and the block's first line. On request it\n"
           "then computes the replacements, writes them into the files, and saves the results.\n"
           "\n"
           "  -e, --search=EXPR         append one search expression (repeatable)\n"
           "  -f, --filter=FILTER       append one file filter (repeatable); none means \"*\"\n"
           "  -r, --replace=TEXT        append one replacement text (repeatable); the n-th text\n"
           "                            replaces the hits of the n-th expression\n"
           "      --search-field=TEXT   the text of the \"Search:\" bar, split by its rule\n"
           "      --filter-field=TEXT   the text of the \"Filter:\" bar, split at \";\"\n"
           "      --replace-field=TEXT  the text of the \"Replace:\" bar, split at \";\"\n"
           "      --target-field=TEXT   the text of the \"Folder:\" bar, split at \";\"\n"
           "                            (field items come after the single items)\n"
           "  -i, --ignore-case         ignore the case of ASCII letters\n"
           "      --preview             compute the replacements: each block's line is followed\n"
           "                            by its replaced text, every line of it led by \"=> \"\n"
           "                            (none for a block that overlaps an earlier one of its\n"
           "                            file: it is not replaced)\n"
           "      --apply               preview, then write the replacements into the files,\n"
           "                            each changed file first copied into a new backup set\n"
           "  -l, --load=FILE           start from a saved \"Param\" or \"Detail\" file: its\n"
           "                            parameters come first and the items given here are\n"
           "                            appended; a \"Detail\" file brings its results instead of a\n"
           "                            new search (only replacement texts may then be added)\n"
           "      --save-param=FILE     after the run, save the parameters\n"
           "      --save-detail=FILE    after the run, save the parameters and every block\n"
           "      --save-simple=FILE    after the run, save the block lines as text\n"
           "      --list-backups        print the backup sets, newest first: folder name, time,\n"
           "                            search, replacement and file count, separated by tabs\n"
           "      --restore=SET         put back every file of the backup set named SET\n"
           "      --config=FILE         the configuration file (\"MaxLineLength\", \"BackupFolder\",\n"
           "                            \"BackupDays\" and the other settings); by default the\n"
           "                            desktop program's: its profile quelvane.ini beside this\n"
           "                            program, else Quelvane.ini in the user's folder, or the\n"
           "                            file its \"ConfigFile\" key names\n"
           "  -c, --count               print only the number of blocks found\n"
           "  -q, --quiet               print no blocks and no information entries\n"
           "      --null                end each file name of a block line with a zero byte and\n"
           "                            print it as it is; without it, control characters in\n"
           "                            names are shown escaped (\\n, \\r, \\t, \\\\, \\xHH)\n"
           "  -h, --help                print this help and end\n"
           "      --version             print the version and end\n"
           "\n"
           "Status entries go to standard error (with -q only the errors). Exit status: 0 when a\n"
           "block was found (with --apply: and every file was written; with --restore: every file\n"
           "was put back), 1 when none was, 2 when an error entry was made or the arguments were\n"
           "wrong.\n";
}

} // namespace QuelvaneCli
